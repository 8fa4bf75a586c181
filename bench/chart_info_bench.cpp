// The chart information reading over a large chart file, as the window and
// the converter's information run do it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "chart_formats.h"
#include "chart_maker.h"

namespace {

using namespace stepquill;

// A generated chart in the temporary folder for as long as the measure runs.
class TemporaryChart {
public:
    explicit TemporaryChart(std::uint64_t stepBytes)
        : path_(std::filesystem::temp_directory_path() /
                ("stepquill-bench-" + std::to_string(::getpid()) + ".dwi")) {
        std::ofstream out(path_, std::ios::binary);
        bench::WriteChart(out, {stepBytes, 0});
    }
    ~TemporaryChart() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TemporaryChart(const TemporaryChart&) = delete;
    TemporaryChart& operator=(const TemporaryChart&) = delete;
    std::string Path() const { return path_.string(); }
    std::int64_t Size() const { return static_cast<std::int64_t>(std::filesystem::file_size(path_)); }

private:
    std::filesystem::path path_;
};

void BM_ReadChartInfo(benchmark::State& state) {
    const TemporaryChart chart(static_cast<std::uint64_t>(state.range(0)) * 1'000'000);
    const std::string path = chart.Path();
    for (auto _ : state) {
        const ChartReading reading = ReadChart(path);
        if (!reading.Ok() || reading.Info.Difficulties.size() != 2) state.SkipWithError("the reading failed");
        benchmark::DoNotOptimize(reading);
    }
    state.SetBytesProcessed(state.iterations() * chart.Size());
}

BENCHMARK(BM_ReadChartInfo)->Arg(16)->Unit(benchmark::kMillisecond);

// The largest chart of the shared collection, read as every keystroke in
// the path field reads it.
std::string LargestRealChart() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(STEPQUILL_SOURCE_DIR) / ".." / "shared" / "charts" / "real";
    std::string largest;
    std::uintmax_t size = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        if (entry.path().extension() != ".dwi" || entry.file_size(error) <= size) continue;
        size = entry.file_size(error);
        largest = entry.path().string();
    }
    return largest;
}

void BM_ReadLargestRealChart(benchmark::State& state) {
    const std::string path = LargestRealChart();
    if (path.empty()) {
        state.SkipWithError("no real charts found");
        return;
    }
    for (auto _ : state) {
        const ChartReading reading = ReadChart(path);
        if (!reading.Ok()) state.SkipWithError("the reading failed");
        benchmark::DoNotOptimize(reading);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

BENCHMARK(BM_ReadLargestRealChart)->Unit(benchmark::kMicrosecond);

}  // namespace
