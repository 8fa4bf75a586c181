#include "chart_formats.h"

#include <optional>

#include "chart_file.h"
#include "simfile_text.h"
#include "stepmania_reader.h"

namespace stepquill {

namespace {

stepmania::SimfileFormat SimfileFormatOf(ChartFormat format) {
    return format == ChartFormat::Sm ? stepmania::SimfileFormat::Sm : stepmania::SimfileFormat::Ssc;
}

bool HoldsIgnoringCase(std::string_view bytes, std::string_view tag) {
    for (std::size_t at = bytes.find('#'); at != std::string_view::npos; at = bytes.find('#', at + 1))
        if (stepmania::EqualsIgnoringCase(bytes.substr(at, tag.size()), tag)) return true;
    return false;
}

}  // namespace

ChartFormat FormatOfPath(std::string_view path) {
    stepmania::SimfileFormat format;
    if (!stepmania::IsSimfilePath(path, format)) return ChartFormat::Dwi;
    return format == stepmania::SimfileFormat::Sm ? ChartFormat::Sm : ChartFormat::Ssc;
}

ChartFormat FormatOfBytes(std::string_view bytes) {
    if (HoldsIgnoringCase(bytes, "#NOTEDATA")) return ChartFormat::Ssc;
    if (HoldsIgnoringCase(bytes, "#NOTES")) return ChartFormat::Sm;
    return ChartFormat::Dwi;
}

ReadOutcome ReadAnyChartInfo(const std::string& path, ConverterState& state, ChartInfo& info,
                             std::string_view decimalSeparator) {
    const ChartFormat format = FormatOfPath(path);
    if (format == ChartFormat::Dwi) return ReadChartInfo(path, state, info, decimalSeparator);
    std::optional<ChartFile> chart = OpenChart(path);
    if (!chart) return {"the chart cannot be opened"};
    return ReadAnyChartInfo(*chart, format, state, info, decimalSeparator);
}

ReadOutcome ReadAnyChartInfo(ChartSource& chart, ChartFormat format, ConverterState& state, ChartInfo& info,
                             std::string_view decimalSeparator) {
    if (format == ChartFormat::Dwi) return ReadChartInfo(chart, state, info, decimalSeparator);
    return stepmania::ReadStepManiaInfo(chart, SimfileFormatOf(format), state, info, decimalSeparator);
}

ReadOutcome ReadAnyChartInfoFor(const std::string& path, std::string_view wanted, ConverterState& state,
                                ChartInfo& info) {
    const ChartFormat format = FormatOfPath(path);
    if (format == ChartFormat::Dwi) return ReadChartInfoFor(path, wanted, state, info);
    std::optional<ChartFile> chart = OpenChart(path);
    if (!chart) return {"the chart cannot be opened"};
    return stepmania::ReadStepManiaInfoFor(*chart, SimfileFormatOf(format), wanted, info);
}

ReadOutcome GetChartInfo(ChartInfoControls& controls, ConverterState& state, std::string_view decimalSeparator) {
    return GetDWIInfo(controls, state, decimalSeparator, ReadAnyChartInfo);
}

RunOutcome ConvertChart(ConverterState& state, const std::string& chartPath, const std::string& difficultyText,
                        const ArrowTokens& tokens, ProgressLog& log, const RunSettings& settings) {
    return ConvertChart(FormatOfPath(chartPath), state, chartPath, difficultyText, tokens, log, settings);
}

RunOutcome ConvertChart(ChartFormat format, ConverterState& state, const std::string& chartPath,
                        const std::string& difficultyText, const ArrowTokens& tokens, ProgressLog& log,
                        const RunSettings& settings) {
    if (format == ChartFormat::Dwi) return ConvertDWI(state, chartPath, difficultyText, tokens, log, settings);
    stepmania::StepManiaPartReader reader(SimfileFormatOf(format));
    return RunConversion(reader, state, chartPath, difficultyText, tokens, log, settings);
}

}  // namespace stepquill
