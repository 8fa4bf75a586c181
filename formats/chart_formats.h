#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "chart_format.h"
#include "chart_info.h"
#include "chart_source.h"
#include "conversion_run.h"

namespace stepquill {

// The chart formats Stepquill reads, a row each in chart_formats.cpp: its
// name, the endings of its files, how to tell it from its bytes, and its
// reader. The window and the converter read and convert through these.
enum class ChartFormat { Dwi, Sm, Ssc };

// By the path's ending, in any case: ".sm" and ".ssc" are StepMania charts,
// every other path a DWI chart.
ChartFormat FormatOfPath(std::string_view path);
// A chart with no name to tell its format by, such as one read from
// standard input, by its tags (not by text inside a value or a comment):
// a .ssc chart has a #NOTEDATA tag, an .sm chart a #NOTES tag, a DWI chart
// #SINGLE, #DOUBLE, #COUPLE, #SOLO or #BPM. None for bytes with none.
std::optional<ChartFormat> FormatOfBytes(std::string_view bytes);
// By its name, in any case: "dwi", "sm" or "ssc".
std::optional<ChartFormat> FormatNamed(std::string_view name);
std::string_view FormatName(ChartFormat format);

std::unique_ptr<ChartFormatReader> ReaderFor(ChartFormat format);

// Reads the chart's information, starting from `before`; with `wanted`
// only as far as a conversion of that part needs.
ChartReading ReadChart(const std::string& path, std::string_view wanted = {}, const ChartInfo& before = {});
ChartReading ReadChart(const std::string& path, ChartFormat format, std::string_view wanted = {},
                       const ChartInfo& before = {});
ChartReading ReadChart(ChartSource& chart, ChartFormat format, std::string_view wanted = {},
                       const ChartInfo& before = {});
// The same through `reader`, which keeps what it learned of the file for the
// conversions of its parts that follow (RunConversion(s) with that reader
// and this reading): a StepMania song is then read whole once, not twice.
ChartReading ReadChart(ChartFormatReader& reader, const std::string& path, std::string_view wanted = {},
                       const ChartInfo& before = {});
// The whole reading of the chart a path names, which ends as a failed read
// does once `abandoned` is set, as when the path is no longer wanted.
ChartReading ReadChartUnlessAbandoned(const std::string& path, const std::atomic<bool>& abandoned,
                                      const ChartInfo& before);

// Fills the window's controls from the chart its path names.
ChartReading GetChartInfo(ChartInfoControls& controls, const ChartInfo& before,
                          std::string_view decimalSeparator = ".");

// Converts the part the request names, of the format its path tells or of
// `format`, whose bytes may come from the request's ChartBytes.
RunOutcome ConvertChart(const ConversionRequest& request, ProgressLog& log);
RunOutcome ConvertChart(ChartFormat format, const ConversionRequest& request, ProgressLog& log);

}  // namespace stepquill
