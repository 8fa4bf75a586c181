#pragma once

#include <string>
#include <string_view>

#include "arrow_mapping.h"
#include "chart_info.h"
#include "conversion_run.h"
#include "converter_state.h"
#include "progress_log.h"

namespace stepquill {

// The one place that chooses a chart's reader, by the ending of its path:
// ".sm" and ".ssc" (in any case) are StepMania charts, every other path a
// DWI chart. The window and the converter read and convert through these.

ReadOutcome ReadAnyChartInfo(const std::string& path, ConverterState& state, ChartInfo& info,
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

}  // namespace stepquill
