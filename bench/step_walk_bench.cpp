// The step walk with its records on generated step data, with a log that
// keeps its lines (the window, the converter without -q) and one that keeps
// none (the converter with -q).
#include <benchmark/benchmark.h>

#include <string>

#include "chart_maker.h"
#include "chart_stream.h"
#include "memory_input.h"
#include "part_search.h"
#include "progress_log.h"
#include "step_walk.h"

namespace {

using namespace stepquill;

// Builds every line, as a shown log must, and then lets it go.
class BuildingLog final : public ProgressLog {
public:
    void Clear() override {}
    void Append(const std::string& line) override { bytes += line.size(); }
    std::size_t bytes = 0;
};

// The search collects the chart's tempo changes and stops and stands on the
// part's first line of steps; it reads a dozen lines, the walk the rest.
template <typename Log>
void Walk(benchmark::State& state) {
    bench::ChartSummary summary;
    const std::string chart = bench::ChartText({2'000'000, 0}, &summary);
    for (auto _ : state) {
        ConverterState converter;
        converter.Bpm = 150;
        converter.StepMs = 60 / converter.Bpm * 1000 / 2;
        converter.CurrentMs = converter.OffsetMs = -120;
        TimingLists lists;
        Log log;
        bench::MemoryInput input(chart);
        ChartStream stream(input.Stream());
        const PartSearchResult part = FindPart(stream, "MANIAC", lists, log);
        NoteWriter notes(nullptr, converter.OutputBuffer, ArrowTokens{}, log, ".", DwiNotation());
        const WalkOutcome outcome = WalkSteps(part.HeaderRest, stream, converter, lists, notes, log);
        if (!part.PartFound || !outcome.Ok()) state.SkipWithError("the conversion stopped");
        benchmark::DoNotOptimize(converter.OutputBuffer.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(summary.Arrows));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(chart.size()));
}

void BM_WalkStepsQuiet(benchmark::State& state) { Walk<UnreadLog>(state); }
void BM_WalkStepsWithLogLines(benchmark::State& state) { Walk<BuildingLog>(state); }

BENCHMARK(BM_WalkStepsQuiet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkStepsWithLogLines)->Unit(benchmark::kMillisecond);

}  // namespace
