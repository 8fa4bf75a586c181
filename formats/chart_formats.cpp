#include "chart_formats.h"

#include <array>
#include <optional>
#include <span>

#include "chart_file.h"
#include "dwi_reader.h"
#include "messages.h"
#include "stepmania_reader.h"
#include "text.h"

namespace stepquill {

namespace {

bool IsTagNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Hands each tag's name to `take` until it returns true. A tag is "#NAME:"
// where a value may begin: at the start of the file, after the ";" that
// ends a value, or first on its line, which ends the value before it in a
// StepMania file. Anything else, a "#notes" inside a title, is text; so is
// what follows "//" to the line's end, a StepMania comment. One pass.
template <typename Take>
void ForEachTag(std::string_view bytes, Take take) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::size_t at = bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
    bool lineStart = true;
    bool valueStart = true;
    while (at < bytes.size()) {
        const char c = bytes[at];
        if (c == '/' && at + 1 < bytes.size() && bytes[at + 1] == '/') {
            const std::size_t end = bytes.find('\n', at);
            at = end == std::string_view::npos ? bytes.size() : end;
        } else if (c == '\n') {
            lineStart = true;
            ++at;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
        } else if (c == ';') {
            valueStart = true;
            lineStart = false;
            ++at;
        } else if (c == '#' && (lineStart || valueStart)) {
            lineStart = valueStart = false;
            const std::size_t name = ++at;
            while (at < bytes.size() && IsTagNameCharacter(bytes[at])) ++at;
            if (at < bytes.size() && bytes[at] == ':' && at > name && take(bytes.substr(name, at - name))) return;
        } else {
            lineStart = valueStart = false;
            ++at;
        }
    }
}

constexpr std::string_view kSscTags[] = {"NOTEDATA"};
constexpr std::string_view kSmTags[] = {"NOTES"};
constexpr std::string_view kDwiTags[] = {"SINGLE", "DOUBLE", "COUPLE", "SOLO", "BPM"};

struct FormatRow {
    ChartFormat Format;
    std::string_view Name;
    std::string_view Ending;                // none: every path the other rows leave
    std::span<const std::string_view> Tags;  // any of them, as a tag, tells the format
    std::unique_ptr<ChartFormatReader> (*MakeReader)();
};

// In the order they are asked: a .ssc chart holds "#NOTES" too.
const std::array<FormatRow, 3> kFormats = {{
    {ChartFormat::Ssc, "ssc", ".ssc", kSscTags,
     [] { return std::unique_ptr<ChartFormatReader>(new stepmania::StepManiaReader(stepmania::SimfileFormat::Ssc)); }},
    {ChartFormat::Sm, "sm", ".sm", kSmTags,
     [] { return std::unique_ptr<ChartFormatReader>(new stepmania::StepManiaReader(stepmania::SimfileFormat::Sm)); }},
    {ChartFormat::Dwi, "dwi", {}, kDwiTags, [] { return std::unique_ptr<ChartFormatReader>(new DwiReader); }},
}};

const FormatRow& RowOf(ChartFormat format) {
    for (const FormatRow& row : kFormats)
        if (row.Format == format) return row;
    return kFormats.back();
}

bool HoldsTag(std::string_view bytes, std::span<const std::string_view> tags) {
    bool found = false;
    ForEachTag(bytes, [&](std::string_view name) {
        for (std::string_view tag : tags) found = found || EqualsIgnoringCase(name, tag);
        return found;
    });
    return found;
}

// A format's reader whose stops name the source's own reason for a failed
// read, such as a chart larger than any chart, where the format's reader
// knows only that the bytes could not be read.
class SourceReasonReader final : public ChartFormatReader {
public:
    explicit SourceReasonReader(std::unique_ptr<ChartFormatReader> reader) : reader_(std::move(reader)) {}

    ChartReading ReadInfo(ChartSource& chart, std::string_view wanted, const ChartInfo& before) override {
        ChartReading reading = reader_->ReadInfo(chart, wanted, before);
        if (!reading.Ok() && chart.ReadFailure() != nullptr) reading.StopReason = chart.ReadFailure();
        return reading;
    }
    std::string TimingFileFor(const std::string& chartPath, std::string& reason) const override {
        return reader_->TimingFileFor(chartPath, reason);
    }
    Notation NotesNotation() const override { return reader_->NotesNotation(); }
    void StartChart() override { reader_->StartChart(); }
    std::unique_ptr<ChartFormatReader> Sibling() const override {
        std::unique_ptr<ChartFormatReader> sibling = reader_->Sibling();
        if (!sibling) return nullptr;
        return std::make_unique<SourceReasonReader>(std::move(sibling));
    }
    std::string ConvertPart(ChartSource& chart, const ConversionRequest& request, NoteWriter& notes,
                            ProgressLog& log) override {
        std::string reason = reader_->ConvertPart(chart, request, notes, log);
        if (!reason.empty() && chart.ReadFailure() != nullptr) reason = chart.ReadFailure();
        return reason;
    }

private:
    std::unique_ptr<ChartFormatReader> reader_;
};

// A chart whose reads fail once its reading is abandoned.
class AbandonableChart final : public ChartSource {
public:
    AbandonableChart(ChartSource& chart, const std::atomic<bool>& abandoned) : chart_(chart), abandoned_(abandoned) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        return abandoned_.load(std::memory_order_relaxed) ? -1 : chart_.Read(buffer, size);
    }
    bool Seek(std::uint64_t offset) override { return chart_.Seek(offset); }
    const char* ReadFailure() const override { return chart_.ReadFailure(); }

private:
    ChartSource& chart_;
    const std::atomic<bool>& abandoned_;
};

}  // namespace

ChartFormat FormatOfPath(std::string_view path) {
    for (const FormatRow& row : kFormats)
        if (row.Ending.empty() || EndsWithIgnoringCase(path, row.Ending)) return row.Format;
    return ChartFormat::Dwi;
}

std::optional<ChartFormat> FormatOfBytes(std::string_view bytes) {
    for (const FormatRow& row : kFormats)
        if (HoldsTag(bytes, row.Tags)) return row.Format;
    return std::nullopt;
}

std::optional<ChartFormat> FormatNamed(std::string_view name) {
    for (const FormatRow& row : kFormats)
        if (EqualsIgnoringCase(name, row.Name)) return row.Format;
    return std::nullopt;
}

std::string_view FormatName(ChartFormat format) { return RowOf(format).Name; }

std::unique_ptr<ChartFormatReader> ReaderFor(ChartFormat format) {
    return std::make_unique<SourceReasonReader>(RowOf(format).MakeReader());
}

ChartReading ReadChart(const std::string& path, std::string_view wanted, const ChartInfo& before) {
    return ReadChart(path, FormatOfPath(path), wanted, before);
}

namespace {

// The chart that a path names, read through `read`: a chart that cannot be
// opened is told with its reason, and the reading records which file it
// read, so that a run can tell whether it finds the same one.
template <typename Read>
ChartReading ReadFile(const std::string& path, const ChartInfo& before, Read read) {
    std::string reason;
    std::optional<ChartFile> chart = OpenChart(path, reason);
    if (!chart) {
        ChartReading unread{StartingFrom(before), reason};
        unread.Info.Identity = ChartIdentity::NoFileOpened();
        return unread;
    }
    ChartReading reading = read(*chart);
    reading.Info.Identity = chart->Identity();
    if (reading.StopReason == kUnreadableChart && chart->ReadError() != 0)
        reading.StopReason = CannotRead(path, chart->ReadError());
    return reading;
}

}  // namespace

ChartReading ReadChart(const std::string& path, ChartFormat format, std::string_view wanted,
                       const ChartInfo& before) {
    return ReadChart(*ReaderFor(format), path, wanted, before);
}

ChartReading ReadChart(ChartFormatReader& reader, const std::string& path, std::string_view wanted,
                       const ChartInfo& before) {
    return ReadFile(path, before, [&](ChartFile& chart) { return reader.ReadInfo(chart, wanted, before); });
}

ChartReading ReadChartUnlessAbandoned(const std::string& path, const std::atomic<bool>& abandoned,
                                      const ChartInfo& before) {
    return ReadFile(path, before, [&](ChartFile& file) {
        AbandonableChart chart(file, abandoned);
        return ReadChart(chart, FormatOfPath(path), {}, before);
    });
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
