// FormatNumber on the kinds of value it is given: whole record times, the
// beats of the log lines, and the rare values written with an exponent.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "text.h"

namespace {

using stepquill::FormatNumber;

template <typename Make>
void FormatAll(benchmark::State& state, Make make) {
    std::vector<double> values;
    for (int i = 0; i < 4096; ++i) values.push_back(make(i));
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatNumber(values[next]));
        next = (next + 1) % values.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FormatNumberWholeTimes(benchmark::State& state) {
    FormatAll(state, [](int i) { return std::floor(-120 + i * 214.28571428571428 * 997); });
}
void BM_FormatNumberBeats(benchmark::State& state) {
    FormatAll(state, [](int i) { return i * (1.0 / 6.0) + (i % 3) * 0.25; });
}
void BM_FormatNumberExponentForm(benchmark::State& state) {
    FormatAll(state, [](int i) { return (i % 2 ? 1.5e15 : 2.5e-7) * (1 + i); });
}

BENCHMARK(BM_FormatNumberWholeTimes);
BENCHMARK(BM_FormatNumberBeats);
BENCHMARK(BM_FormatNumberExponentForm);

}  // namespace
