#include "chart_maker.h"

#include <array>
#include <sstream>
#include <string>
#include <string_view>

#include "split_mix.h"

namespace stepquill::bench {

namespace {

constexpr std::uint64_t kSeed = 20261207;

// Plain arrows far more often than jumps, diagonals hardly ever, as in
// single-play charts written by people.
constexpr std::string_view kArrows = "24682468246824682468AB2468246824681379";
constexpr std::array<std::string_view, 6> kChords = {"<48>", "<26>", "<24>", "<68>", "<46>", "<28>"};

// One measure: eight eighth-note slots, some filled by faster groups.
class MeasureMaker {
public:
    // The measure's characters without the line end; adds its records.
    std::string Next(std::uint64_t& arrows) {
        std::string measure;
        int slots = 8;
        while (slots > 0) {
            const std::size_t roll = random_.Below(100);
            if (roll < 26) {
                measure += '0';
            } else if (roll < 68) {
                measure += random_.Pick(kArrows);
                ++arrows;
            } else if (roll < 74) {
                const char arrow = random_.Pick(kArrows);
                measure += {arrow, '!', arrow};  // a hold
                ++arrows;
            } else if (roll < 81) {
                measure += kChords[random_.Below(kChords.size())];
                arrows += 2;
            } else if (roll < 85) {
                Group(measure, '{', '}', 8, arrows);  // a 64th roll of half a beat
            } else if (slots >= 2 && roll < 95) {
                Group(measure, '(', ')', 4, arrows);  // a beat of 16ths
                --slots;
            } else if (slots >= 2) {
                Group(measure, '[', ']', 6, arrows);  // a beat of 24ths
                --slots;
            } else {
                measure += '0';
            }
            --slots;
        }
        return measure;
    }

private:
    void Group(std::string& measure, char open, char close, int notes, std::uint64_t& arrows) {
        measure += open;
        for (int i = 0; i < notes; ++i) {
            const bool rest = random_.Below(4) == 0;
            measure += rest ? '0' : random_.Pick(kArrows);
            if (!rest) ++arrows;
        }
        measure += close;
    }

    Random random_{kSeed};
};

constexpr std::string_view kLineEnd = "\r\n";

bool Reached(const ChartPlan& plan, std::uint64_t stepBytes, std::uint64_t arrows) {
    return (plan.StepBytes > 0 && stepBytes >= plan.StepBytes) ||
           (plan.Arrows > 0 && arrows >= plan.Arrows) || (plan.StepBytes == 0 && plan.Arrows == 0);
}

// The number of measures the plan asks for, found by making them once.
std::uint64_t CountMeasures(const ChartPlan& plan) {
    MeasureMaker maker;
    std::uint64_t measures = 0;
    std::uint64_t bytes = 0;
    std::uint64_t arrows = 0;
    while (!Reached(plan, bytes, arrows)) {
        bytes += maker.Next(arrows).size() + kLineEnd.size();
        ++measures;
    }
    return measures;
}

// "position=value" entries spread evenly over the part, on measure starts.
// Positions count quarter beats, sixteen to a measure.
template <std::size_t N>
std::string TimingList(std::uint64_t measures, const std::array<int, N>& values) {
    std::string list;
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint64_t measure = measures * (i + 1) / (N + 1);
        if (!list.empty()) list += ',';
        list += std::to_string(measure * 16) + ".000=" + std::to_string(values[i]) + ".000";
    }
    return list;
}

}  // namespace

ChartSummary WriteChart(std::ostream& out, const ChartPlan& plan) {
    const std::uint64_t measures = CountMeasures(plan);
    ChartSummary summary;
    summary.Measures = measures;
    auto put = [&](std::string_view text) {
        out << text;
        summary.Bytes += text.size();
    };
    auto line = [&](std::string_view text) {
        put(text);
        put(kLineEnd);
    };

    line("#TITLE:Generated Chart;");
    line("#ARTIST:Stepquill Bench;");
    line("#BPM:150.000;");
    line("#GAP:-120;");
    line("#SAMPLESTART:42.500;");
    line("#CHANGEBPM:" + TimingList(measures, std::array{180, 120, 200, 150, 90, 160, 140}) + ";");
    line("#FREEZE:" + TimingList(measures, std::array{250, 500, 120, 333, 400, 180}) + ";");
    line("");
    line("#SINGLE:BASIC:4:");
    line("2000800040006000");
    line("(2468)00<48>00080");
    line(";");
    line("#SINGLE:MANIAC:9:");
    MeasureMaker maker;
    for (std::uint64_t i = 0; i < measures; ++i) {
        const std::string measure = maker.Next(summary.Arrows);
        line(measure);
        summary.StepBytes += measure.size() + kLineEnd.size();
    }
    line(";");
    return summary;
}

std::string ChartText(const ChartPlan& plan, ChartSummary* summary) {
    std::ostringstream out;
    const ChartSummary written = WriteChart(out, plan);
    if (summary != nullptr) *summary = written;
    return std::move(out).str();
}

}  // namespace stepquill::bench
