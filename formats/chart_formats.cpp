#include "chart_formats.h"

#include <optional>

#include "chart_file.h"
#include "stepmania_reader.h"

namespace stepquill {

ReadOutcome ReadAnyChartInfo(const std::string& path, ConverterState& state, ChartInfo& info,
                             std::string_view decimalSeparator) {
    stepmania::SimfileFormat format;
    if (!stepmania::IsSimfilePath(path, format)) return ReadChartInfo(path, state, info, decimalSeparator);
    std::optional<ChartFile> chart = OpenChart(path);
    if (!chart) return {"the chart cannot be opened"};
    return stepmania::ReadStepManiaInfo(*chart, format, state, info, decimalSeparator);
}

ReadOutcome ReadAnyChartInfoFor(const std::string& path, std::string_view wanted, ConverterState& state,
                                ChartInfo& info) {
    stepmania::SimfileFormat format;
    if (!stepmania::IsSimfilePath(path, format)) return ReadChartInfoFor(path, wanted, state, info);
    std::optional<ChartFile> chart = OpenChart(path);
    if (!chart) return {"the chart cannot be opened"};
    (void)state;
    return stepmania::ReadStepManiaInfoFor(*chart, format, wanted, info);
}

ReadOutcome GetChartInfo(ChartInfoControls& controls, ConverterState& state, std::string_view decimalSeparator) {
    return GetDWIInfo(controls, state, decimalSeparator, ReadAnyChartInfo);
}

RunOutcome ConvertChart(ConverterState& state, const std::string& chartPath, const std::string& difficultyText,
                        const ArrowTokens& tokens, ProgressLog& log, const RunSettings& settings) {
    stepmania::SimfileFormat format;
    if (!stepmania::IsSimfilePath(chartPath, format))
        return ConvertDWI(state, chartPath, difficultyText, tokens, log, settings);
    stepmania::StepManiaPartReader reader(format);
    return RunConversion(reader, state, chartPath, difficultyText, tokens, log, settings);
}

}  // namespace stepquill
