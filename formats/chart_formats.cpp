#include "chart_formats.h"

#include <array>
#include <optional>

#include "chart_file.h"
#include "dwi_reader.h"
#include "messages.h"
#include "stepmania_reader.h"
#include "text.h"

namespace stepquill {

namespace {

// Whether the bytes hold the tag, in any case.
bool HoldsTag(std::string_view bytes, std::string_view tag) {
    for (std::size_t at = bytes.find('#'); at != std::string_view::npos; at = bytes.find('#', at + 1))
        if (EqualsIgnoringCase(bytes.substr(at, tag.size()), tag)) return true;
    return false;
}

struct FormatRow {
    ChartFormat Format;
    std::string_view Name;
    std::string_view Ending;  // none: every path the other rows leave
    std::string_view Tag;     // what its bytes hold; none: any bytes the other rows leave
    std::unique_ptr<ChartFormatReader> (*MakeReader)();
};

// In the order they are asked: a .ssc chart holds "#NOTES" too.
const std::array<FormatRow, 3> kFormats = {{
    {ChartFormat::Ssc, "ssc", ".ssc", "#NOTEDATA",
     [] { return std::unique_ptr<ChartFormatReader>(new stepmania::StepManiaReader(stepmania::SimfileFormat::Ssc)); }},
    {ChartFormat::Sm, "sm", ".sm", "#NOTES",
     [] { return std::unique_ptr<ChartFormatReader>(new stepmania::StepManiaReader(stepmania::SimfileFormat::Sm)); }},
    {ChartFormat::Dwi, "dwi", {}, {}, [] { return std::unique_ptr<ChartFormatReader>(new DwiReader); }},
}};

const FormatRow& RowOf(ChartFormat format) {
    for (const FormatRow& row : kFormats)
        if (row.Format == format) return row;
    return kFormats.back();
}

}  // namespace

ChartFormat FormatOfPath(std::string_view path) {
    for (const FormatRow& row : kFormats)
        if (row.Ending.empty() || EndsWithIgnoringCase(path, row.Ending)) return row.Format;
    return ChartFormat::Dwi;
}

ChartFormat FormatOfBytes(std::string_view bytes) {
    for (const FormatRow& row : kFormats)
        if (row.Tag.empty() || HoldsTag(bytes, row.Tag)) return row.Format;
    return ChartFormat::Dwi;
}

std::string_view FormatName(ChartFormat format) { return RowOf(format).Name; }

std::unique_ptr<ChartFormatReader> ReaderFor(ChartFormat format) { return RowOf(format).MakeReader(); }

ChartReading ReadChart(const std::string& path, std::string_view wanted, const ChartInfo& before) {
    std::string reason;
    std::optional<ChartFile> chart = OpenChart(path, reason);
    if (!chart) {
        ChartReading unread{StartingFrom(before), reason};
        unread.Info.Identity = ChartIdentity::NoFileOpened();
        return unread;
    }
    ChartReading reading = ReadChart(*chart, FormatOfPath(path), wanted, before);
    reading.Info.Identity = chart->Identity();
    if (reading.StopReason == kUnreadableChart && chart->ReadError() != 0)
        reading.StopReason = CannotRead(path, chart->ReadError());
    return reading;
}

ChartReading ReadChart(ChartSource& chart, ChartFormat format, std::string_view wanted, const ChartInfo& before) {
    return ReaderFor(format)->ReadInfo(chart, wanted, before);
}

ChartReading GetChartInfo(ChartInfoControls& controls, const ChartInfo& before, std::string_view decimalSeparator) {
    const ChartInfoReading read = [](const std::string& path, const ChartInfo& last) {
        return ReadChart(path, {}, last);
    };
    return GetDWIInfo(controls, read, before, decimalSeparator);
}

RunOutcome ConvertChart(const ConversionRequest& request, ProgressLog& log) {
    return ConvertChart(FormatOfPath(request.ChartPath), request, log);
}

RunOutcome ConvertChart(ChartFormat format, const ConversionRequest& request, ProgressLog& log) {
    return RunConversion(*ReaderFor(format), request, log);
}

}  // namespace stepquill
