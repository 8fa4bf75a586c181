#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace stepquill::bench {

// What a generated chart should hold. The chart grows a measure at a time
// until either limit is reached; a limit of 0 does not count.
struct ChartPlan {
    std::uint64_t StepBytes = 0;  // bytes of the converted part's step data
    std::uint64_t Arrows = 0;     // records the converted part gives
};

struct ChartSummary {
    std::uint64_t Bytes = 0;      // the whole chart
    std::uint64_t StepBytes = 0;  // the MANIAC part's step lines, line ends included
    std::uint64_t Arrows = 0;     // records that converting MANIAC(9) gives
    std::uint64_t Measures = 0;
};

// Writes a chart of realistic density: a header with several tempo changes
// and stops, a short BASIC part and a long "#SINGLE:MANIAC:9:" part, one
// measure a line, CR LF line ends. The same plan always gives the same bytes.
ChartSummary WriteChart(std::ostream& out, const ChartPlan& plan);

// The same chart as a text, for measures made in memory.
std::string ChartText(const ChartPlan& plan, ChartSummary* summary = nullptr);

}  // namespace stepquill::bench
