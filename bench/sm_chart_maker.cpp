#include "sm_chart_maker.h"

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "split_mix.h"

namespace stepquill::bench {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// How one difficulty is written: harder charts have more lines a measure
// and more notes on them. Percentages are of a chart's lines.
struct ChartStyle {
    std::string_view Difficulty;
    int Meter;
    std::string_view Radar;
    std::uint64_t Seed;
    std::array<int, 3> LinesChoices;  // lines of a measure, one picked for each
    int Taps;                         // lines with one note
    int Jumps;                        // lines with two
    int Hands;                        // lines with three
    int Mines;                        // lines with a mine and nothing else
    int Holds;                        // notes that are the head of a hold or roll
};

constexpr std::array<ChartStyle, 5> kStyles = {{
    {"Beginner", 2, "0.120,0.080,0.000,0.050,0.000", 20261211, {4, 4, 4}, 40, 0, 0, 0, 8},
    {"Easy", 4, "0.260,0.210,0.050,0.120,0.000", 20261212, {4, 8, 8}, 45, 5, 0, 0, 7},
    {"Medium", 7, "0.450,0.380,0.200,0.260,0.050", 20261213, {8, 8, 8}, 50, 6, 0, 1, 6},
    {"Hard", 10, "0.620,0.540,0.400,0.310,0.180", 20261214, {8, 16, 16}, 55, 6, 1, 2, 5},
    {"Challenge", 13, "0.810,0.720,0.600,0.290,0.420", 20261215, {16, 16, 8}, 58, 8, 1, 2, 4},
}};
constexpr std::size_t kConverted = kStyles.size() - 1;

// The measures of one chart, made one after the other. Every hold and roll
// gets its tail on its own panel, with nothing on that panel before it, so
// that each head is a press.
class SmMeasureMaker {
public:
    explicit SmMeasureMaker(const ChartStyle& style) : style_(style), random_(style.Seed) {}

    // The measure's lines, each with its line end; counts its lines and the
    // records they give.
    std::string Next(std::uint64_t& rows, std::uint64_t& records) {
        const int lines = style_.LinesChoices[random_.Below(style_.LinesChoices.size())];
        std::string measure;
        for (int i = 0; i < lines; ++i) Line(measure, records);
        rows += static_cast<std::uint64_t>(lines);
        return measure;
    }

    // A last measure of four lines with the tails of the holds still open,
    // or "" when none is.
    std::string Close(std::uint64_t& rows) {
        bool open = false;
        for (int left : holdLeft_) open = open || left > 0;
        if (!open) return {};
        std::string measure;
        for (std::size_t panel = 0; panel < holdLeft_.size(); ++panel) {
            measure += holdLeft_[panel] > 0 ? '3' : '0';
            holdLeft_[panel] = 0;
        }
        measure += kLineEnd;
        for (int i = 0; i < 3; ++i) (measure += "0000") += kLineEnd;
        rows += 4;
        return measure;
    }

private:
    void Line(std::string& measure, std::uint64_t& records) {
        std::array<char, 4> panels = {'0', '0', '0', '0'};
        std::vector<std::size_t> free;
        for (std::size_t panel = 0; panel < panels.size(); ++panel) {
            if (holdLeft_[panel] > 0 && --holdLeft_[panel] == 0)
                panels[panel] = '3';
            else if (holdLeft_[panel] == 0)
                free.push_back(panel);
        }
        const int roll = static_cast<int>(random_.Below(100));
        int notes = 0;
        int threshold = style_.Taps;
        if (roll < threshold) {
            notes = 1;
        } else if (roll < (threshold += style_.Jumps)) {
            notes = 2;
        } else if (roll < (threshold += style_.Hands)) {
            notes = 3;
        } else if (roll < threshold + style_.Mines && !free.empty()) {
            panels[free[random_.Below(free.size())]] = 'M';
        }
        int placed = 0;
        for (; placed < notes && !free.empty(); ++placed) {
            const std::size_t at = random_.Below(free.size());
            const std::size_t panel = free[at];
            free.erase(free.begin() + static_cast<std::ptrdiff_t>(at));
            if (static_cast<int>(random_.Below(100)) < style_.Holds) {
                panels[panel] = random_.Below(8) == 0 ? '4' : '2';  // a roll now and then
                holdLeft_[panel] = 2 + static_cast<int>(random_.Below(7));
            } else {
                panels[panel] = '1';
            }
        }
        // One record for one or two panels, one a panel for more.
        if (placed > 0) records += placed <= 2 ? 1 : static_cast<std::uint64_t>(placed);
        measure.append(panels.data(), panels.size());
        measure += kLineEnd;
    }

    const ChartStyle& style_;
    Random random_;
    std::array<int, 4> holdLeft_{};  // lines until the tail of each panel's hold
};

std::string MeasureSeparator(std::uint64_t measure) {
    return ",  // measure " + std::to_string(measure) + std::string(kLineEnd);
}

bool Reached(const ChartPlan& plan, std::uint64_t noteBytes, std::uint64_t records) {
    return (plan.StepBytes > 0 && noteBytes >= plan.StepBytes) || (plan.Arrows > 0 && records >= plan.Arrows) ||
           (plan.StepBytes == 0 && plan.Arrows == 0);
}

// The number of measures a chart has for the plan, found by making them
// once for all five charts side by side.
std::uint64_t CountMeasures(const ChartPlan& plan) {
    std::vector<SmMeasureMaker> makers(kStyles.begin(), kStyles.end());
    std::uint64_t measures = 0;
    std::uint64_t bytes = 0;
    std::uint64_t records = 0;
    while (!Reached(plan, bytes, records)) {
        for (std::size_t i = 0; i < makers.size(); ++i) {
            std::uint64_t rows = 0;
            std::uint64_t chartRecords = 0;
            bytes += makers[i].Next(rows, chartRecords).size();
            if (measures > 0) bytes += MeasureSeparator(measures).size();
            if (i == kConverted) records += chartRecords;
        }
        ++measures;
    }
    return measures;
}

// "beat=value" entries on measure starts (offset by `beatInMeasure`),
// spread evenly over the song.
template <std::size_t N>
std::string BeatList(std::uint64_t measures, int beatInMeasure, const std::array<std::string_view, N>& values) {
    std::string list;
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint64_t measure = measures * (i + 1) / (N + 1);
        if (!list.empty()) list += ",";
        list += std::to_string(measure * 4 + static_cast<std::uint64_t>(beatInMeasure)) + ".000=";
        list += values[i];
    }
    return list;
}

}  // namespace

SmChartSummary WriteSmChart(std::ostream& out, const ChartPlan& plan) {
    const std::uint64_t measures = CountMeasures(plan);
    SmChartSummary summary;
    summary.Measures = measures;
    auto put = [&](std::string_view text) {
        out << text;
        summary.Bytes += text.size();
    };
    auto line = [&](std::string_view text) {
        put(text);
        put(kLineEnd);
    };

    line("#TITLE:Generated Song;");
    line("#SUBTITLE:(Extended Mix);");
    line("#ARTIST:Stepquill Bench;");
    line("#TITLETRANSLIT:;");
    line("#CREDIT:stepquill-make-chart;");
    line("#BANNER:banner.png;");
    line("#BACKGROUND:bg.png;");
    line("#MUSIC:song.ogg;");
    line("#OFFSET:-0.120;");
    line("#SAMPLESTART:42.500;");
    line("#SAMPLELENGTH:12.000;");
    line("#SELECTABLE:YES;");
    line("#DISPLAYBPM:90.000:200.000;");
    line("#BPMS:0.000=150.000," +
         BeatList(measures, 0, std::array<std::string_view, 7>{"180.000", "120.000", "200.000", "150.000",
                                                               "90.000", "160.000", "140.000"}) +
         ";");
    line("#STOPS:" +
         BeatList(measures, 2, std::array<std::string_view, 6>{"0.250", "0.500", "0.120", "0.333", "0.400",
                                                               "0.180"}) +
         ";");
    line("#BGCHANGES:;");

    for (std::size_t i = 0; i < kStyles.size(); ++i) {
        const ChartStyle& style = kStyles[i];
        line("");
        line("//---------------dance-single - ----------------");
        line("#NOTES:");
        line("     dance-single:");
        line("     :");
        line("     " + std::string(style.Difficulty) + ":");
        line("     " + std::to_string(style.Meter) + ":");
        line("     " + std::string(style.Radar) + ":");
        SmMeasureMaker maker(style);
        std::uint64_t rows = 0;
        std::uint64_t records = 0;
        auto notes = [&](const std::string& text) {
            put(text);
            summary.NoteBytes += text.size();
        };
        notes("// measure 0" + std::string(kLineEnd));
        for (std::uint64_t measure = 0; measure < measures; ++measure) {
            if (measure > 0) notes(MeasureSeparator(measure));
            notes(maker.Next(rows, records));
        }
        const std::string closing = maker.Close(rows);
        if (!closing.empty()) notes(MeasureSeparator(measures) + closing);
        line(";");
        if (i == kConverted) {
            summary.Rows = rows;
            summary.Records = records;
        }
    }
    return summary;
}

std::string SmChartText(const ChartPlan& plan, SmChartSummary* summary) {
    std::ostringstream out;
    const SmChartSummary written = WriteSmChart(out, plan);
    if (summary != nullptr) *summary = written;
    return std::move(out).str();
}

}  // namespace stepquill::bench
