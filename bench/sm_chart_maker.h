#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "chart_maker.h"

namespace stepquill::bench {

// The chart of a generated .sm song that the measures convert: the hardest,
// with the most rows.
inline constexpr std::string_view kSmConvertedChart = "Challenge(13)";

struct SmChartSummary {
    std::uint64_t Bytes = 0;      // the whole file
    std::uint64_t NoteBytes = 0;  // the note data of every chart, line ends included
    std::uint64_t Measures = 0;   // of each chart
    std::uint64_t Rows = 0;       // lines of note data of the converted chart
    std::uint64_t Records = 0;    // records that converting it gives
};

// Writes a StepMania song as people write them: a header, an offset, tempo
// changes and stops spread over the song, then five dance-single charts of
// the same length from Beginner to Challenge, 4, 8 or 16 lines a measure,
// with taps, jumps, a few hands, holds and rolls that all have their tail,
// and a few mines. The plan's StepBytes counts the note data of all five
// charts, its Arrows the records of the converted one. The same plan always
// gives the same bytes.
SmChartSummary WriteSmChart(std::ostream& out, const ChartPlan& plan);

// The same song as a text, for measures made in memory.
std::string SmChartText(const ChartPlan& plan, SmChartSummary* summary = nullptr);

}  // namespace stepquill::bench
