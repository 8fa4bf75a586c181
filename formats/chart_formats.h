#pragma once

#include <string>
#include <string_view>

#include "arrow_mapping.h"
#include "chart_info.h"
#include "chart_source.h"
#include "conversion_run.h"
#include "converter_state.h"
#include "progress_log.h"

namespace stepquill {

// The one place that chooses a chart's reader, by the ending of its path:
// ".sm" and ".ssc" (in any case) are StepMania charts, every other path a
// DWI chart. The window and the converter read and convert through these.

enum class ChartFormat { Dwi, Sm, Ssc };

ChartFormat FormatOfPath(std::string_view path);
// A chart with no name to tell its format by, such as one read from
// standard input: a StepMania chart holds "#NOTES" (an .ssc chart also
// "#NOTEDATA"), a DWI chart neither.
ChartFormat FormatOfBytes(std::string_view bytes);

ReadOutcome ReadAnyChartInfo(const std::string& path, ConverterState& state, ChartInfo& info,
                             std::string_view decimalSeparator = ".");
ReadOutcome ReadAnyChartInfo(ChartSource& chart, ChartFormat format, ConverterState& state, ChartInfo& info,
                             std::string_view decimalSeparator = ".");

// The reading a conversion needs before it runs: a chart is read only as
// far as the part that `wanted` names (for a StepMania chart, only its
// difficulties are then filled in).
ReadOutcome ReadAnyChartInfoFor(const std::string& path, std::string_view wanted, ConverterState& state,
                                ChartInfo& info);

// Fills the window's controls from the chart its path names.
ReadOutcome GetChartInfo(ChartInfoControls& controls, ConverterState& state, std::string_view decimalSeparator = ".");

RunOutcome ConvertChart(ConverterState& state, const std::string& chartPath, const std::string& difficultyText,
                        const ArrowTokens& tokens, ProgressLog& log, const RunSettings& settings = {});
// The same for a chart of a known format, whose bytes may come from
// settings.ChartBytes.
RunOutcome ConvertChart(ChartFormat format, ConverterState& state, const std::string& chartPath,
                        const std::string& difficultyText, const ArrowTokens& tokens, ProgressLog& log,
                        const RunSettings& settings = {});

}  // namespace stepquill
