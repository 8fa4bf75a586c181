#include "chart_input.h"

#include "memory_chart.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace stepquill {

std::optional<ChartInput> ReadChartFromStandardInput(std::string& reason) {
    ChartInput chart{"-", std::string()};
    std::string& bytes = *chart.Bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            reason = "the chart could not be read from standard input (" + std::string(std::strerror(errno)) + ")";
            return std::nullopt;
        }
        if (count == 0) return chart;
        if (bytes.size() + static_cast<std::size_t>(count) > kLargestPipedChart) {
            reason = "the chart on standard input is larger than " + std::to_string(kLargestPipedChart >> 20) +
                     " MiB";
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

ChartReading ReadChart(const ChartInput& chart, std::string_view wanted) {
    if (chart.Bytes) {
        MemoryChart bytes(*chart.Bytes);
        return ReadChart(bytes, FormatOfBytes(*chart.Bytes));
    }
    return ReadChart(chart.Path, wanted);
}

RunOutcome ConvertPart(const ChartInput& chart, ConversionRequest request, ProgressLog& log) {
    std::optional<MemoryChart> bytes;
    if (chart.Bytes) request.ChartBytes = &bytes.emplace(*chart.Bytes);
    request.ChartPath = chart.Path;
    const ChartFormat format = chart.Bytes ? FormatOfBytes(*chart.Bytes) : FormatOfPath(chart.Path);
    return ConvertChart(format, request, log);
}

}  // namespace stepquill

namespace stepquill {

void ConvertParts(const ChartInput& chart, ConversionRequest request, const std::vector<PartTarget>& parts,
                  ProgressLog& log, const std::function<void(std::size_t, const RunOutcome&)>& done) {
    std::optional<MemoryChart> bytes;
    if (chart.Bytes) request.ChartBytes = &bytes.emplace(*chart.Bytes);
    request.ChartPath = chart.Path;
    const ChartFormat format = chart.Bytes ? FormatOfBytes(*chart.Bytes) : FormatOfPath(chart.Path);
    RunConversions(*ReaderFor(format), request, parts, log, done);
}

}  // namespace stepquill
