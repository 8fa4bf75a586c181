#include "chart_input.h"

#include "memory_chart.h"
#include "messages.h"

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

std::optional<ChartInput> TakeChart(const std::string& chart, std::optional<ChartFormat> named,
                                    std::string& reason) {
    if (chart != "-") return ChartInput{chart, std::nullopt, named.value_or(FormatOfPath(chart))};
    std::optional<ChartInput> piped = ReadChartFromStandardInput(reason);
    if (!piped) return std::nullopt;
    // Told by a name, never guessed: a chart read in the wrong format would
    // give a timing file of the wrong times.
    const std::optional<ChartFormat> format = named ? named : FormatOfBytes(*piped->Bytes);
    if (!format) {
        reason = kChartFormatUnknown;
        return std::nullopt;
    }
    piped->Format = *format;
    return piped;
}

ChartReading ReadChart(const ChartInput& chart, ChartFormatReader& reader, std::string_view wanted) {
    if (chart.Bytes) {
        MemoryChart bytes(*chart.Bytes);
        return reader.ReadInfo(bytes, {}, {});
    }
    return ReadChart(reader, chart.Path, wanted);
}

RunOutcome ConvertPart(const ChartInput& chart, ChartFormatReader& reader, ConversionRequest request,
                       ProgressLog& log) {
    std::optional<MemoryChart> bytes;
    if (chart.Bytes) request.ChartBytes = &bytes.emplace(*chart.Bytes);
    request.ChartPath = chart.Path;
    return RunConversion(reader, request, log);
}

void ConvertParts(const ChartInput& chart, ChartFormatReader& reader, ConversionRequest request,
                  const std::vector<PartTarget>& parts, ProgressLog& log,
                  const std::function<void(std::size_t, const RunOutcome&)>& done) {
    std::optional<MemoryChart> bytes;
    if (chart.Bytes) request.ChartBytes = &bytes.emplace(*chart.Bytes);
    request.ChartPath = chart.Path;
    RunConversions(reader, request, parts, log, done);
}

}  // namespace stepquill
