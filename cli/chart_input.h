#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart_formats.h"
#include "chart_info.h"
#include "chart_source.h"
#include "conversion_run.h"
#include "progress_log.h"

namespace stepquill {

// The most of a chart that standard input may hand over: a pipe cannot be
// read twice, so the chart is kept in memory for the reading and the run.
inline constexpr std::size_t kLargestPipedChart = std::size_t{256} << 20;

// The chart named on the command line: a file by its path, or "-" for the
// bytes read whole from standard input, and the format it is read in.
struct ChartInput {
    std::string Path;
    std::optional<std::string> Bytes;
    ChartFormat Format = ChartFormat::Dwi;
    bool FromStandardInput() const { return Bytes.has_value(); }
};

// The chart the command line names, in the format `named` or, without it,
// the one its path tells, or for "-" its tags; none, with the reason, when
// standard input cannot be read or its format cannot be told.
std::optional<ChartInput> TakeChart(const std::string& chart, std::optional<ChartFormat> named,
                                    std::string& reason);

// Reads standard input to its end for the chart "-"; none, with the reason,
// when it cannot be read or holds more than kLargestPipedChart bytes.
std::optional<ChartInput> ReadChartFromStandardInput(std::string& reason);

// Reads the chart's information through `reader`: all of it for an empty
// `wanted`, otherwise only as far as a conversion of `wanted` needs. The
// reader keeps what it learned for the conversion that follows.
ChartReading ReadChart(const ChartInput& chart, ChartFormatReader& reader, std::string_view wanted = {});

// Converts the part the request names; the chart's path and bytes come
// from `chart`, read before by `reader`.
RunOutcome ConvertPart(const ChartInput& chart, ChartFormatReader& reader, ConversionRequest request,
                       ProgressLog& log);

// Converts each part into its own file from one reading of the chart, as
// RunConversions does.
void ConvertParts(const ChartInput& chart, ChartFormatReader& reader, ConversionRequest request,
                  const std::vector<PartTarget>& parts, ProgressLog& log,
                  const std::function<void(std::size_t, const RunOutcome&)>& done);

}  // namespace stepquill
