// Throughput of the chart reading primitives on a generated chart in memory.
#include <benchmark/benchmark.h>

#include <string>

#include "chart_maker.h"
#include "chart_stream.h"
#include "memory_input.h"

namespace {

using namespace stepquill;

constexpr std::uint64_t kChartBytes = 8'000'000;

template <bool (ChartStream::*Read)(std::string&)>
void ReadWhole(benchmark::State& state) {
    const std::string chart = bench::ChartText({kChartBytes, 0});
    std::string text;
    std::int64_t pieces = 0;
    for (auto _ : state) {
        bench::MemoryInput input(chart);
        ChartStream stream(input.Stream());
        while ((stream.*Read)(text)) ++pieces;
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(chart.size()));
    state.SetItemsProcessed(pieces);
}

void BM_ChartStreamReadLine(benchmark::State& state) { ReadWhole<&ChartStream::ReadLine>(state); }
void BM_ChartStreamReadField(benchmark::State& state) { ReadWhole<&ChartStream::ReadField>(state); }

BENCHMARK(BM_ChartStreamReadLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartStreamReadField)->Unit(benchmark::kMillisecond);

}  // namespace
