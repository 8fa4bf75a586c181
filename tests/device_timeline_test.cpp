// A device's presses and releases: the rules worked out by hand for DWI and
// StepMania charts, and every shared real chart played back on a simulated
// device against its timing file.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "chart_formats.h"
#include "conversion_requests.h"
#include "scratch_folder.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using support::ReadBytes;
using support::ScratchFolder;

// A .sm chart at 60 BPM from the start: `count` lines a measure, `at` the
// lines that hold notes, by their index.
std::string Sm(int count, const std::map<int, std::string>& at) {
    std::string notes;
    const int last = at.empty() ? 0 : at.rbegin()->first;
    for (int line = 0; line <= last || line % count != 0; ++line) {
        if (line > 0 && line % count == 0) notes += ",\n";
        notes += (at.count(line) ? at.at(line) : "0000") + "\n";
    }
    return "#TITLE:T;\n#OFFSET:0;\n#BPMS:0=60;\n#NOTES:\n dance-single:\n :\n Hard:\n 9:\n 0,0,0,0,0:\n" + notes + ";\n";
}

std::string Dwi(const std::string& steps) {
    return "#TITLE:T;\n#ARTIST:A;\n#BPM:60;\n#GAP:0;\n#SINGLE:MANIAC:9:\n" + steps + "\n;\n";
}

// The part converted in `format`, its file's bytes (empty when it stopped).
std::string Convert(const fs::path& chart, const std::string& part, OutputFormat format,
                    const PressLengths& lengths = {}, const std::string& out = "out", const ArrowTokens& tokens = {}) {
    const ChartReading reading = ReadChart(chart.string());
    ConversionRequest settings;
    settings.OutputPath = (chart.parent_path() / out).string();
    settings.Device.Format = format;
    settings.Device.Lengths = lengths;
    settings.Device.Part = part;
    settings.Device.ChartName = chart.stem().string();
    VectorLog log;
    const RunOutcome run = ConvertChart(support::Asking(chart.string(), part, reading.Info, settings, tokens), log);
    EXPECT_TRUE(run.Written) << run.StopReason;
    return run.Written ? ReadBytes(settings.OutputPath) : "";
}

Lines CsvEvents(const std::string& csv) {
    Lines events;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) events.push_back(line);
    return events;
}

struct RuleCase {
    const char* Name;
    std::string Chart;  // "song.dwi" or "song.sm" by its first byte
    PressLengths Lengths;
    Lines Events;
};

TEST(DeviceTimeline, EachRuleAsWorkedOutByHand) {
    const PressLengths usual;
    // At 60 BPM a measure of 192 lines gives 20.833 ms a line, of 64 lines
    // 62.5 ms, of 4 lines 1 s; a DWI step is 500 ms.
    const std::vector<RuleCase> cases = {
        {"tap", Sm(4, {{0, "1000"}}), usual, {"0,left,A,press", "40000,left,A,release"}},
        {"tap cut by a close next press", Sm(64, {{0, "1000"}, {1, "1000"}}), usual,
         {"0,left,A,press", "31250,left,A,release", "62500,left,A,press", "102500,left,A,release"}},
        {"hold", Sm(4, {{0, "0200"}, {1, "0300"}}), usual, {"0,down,X,press", "1000000,down,X,release"}},
        {"hold cut by a close next press", Sm(192, {{0, "0020"}, {48, "0030"}, {49, "0010"}}), {100, 100},
         {"0,up,Y,press", "970833,up,Y,release", "1020833,up,Y,press", "1120833,up,Y,release"}},
        {"roll over several taps", Sm(192, {{0, "0004"}, {96, "0003"}}), {40, 500},
         {"0,right,B,press", "40000,right,B,release", "500000,right,B,press", "540000,right,B,release",
          "1000000,right,B,press", "1040000,right,B,release", "1500000,right,B,press", "2000000,right,B,release"}},
        {"roll shorter than a tap again", Sm(192, {{0, "4000"}, {4, "3000"}}), usual,
         {"0,left,A,press", "83333,left,A,release"}},
        {"lift after a tap", Sm(64, {{0, "1000"}, {1, "L000"}}), usual,
         {"0,left,A,press", "31250,left,A,release", "46875,left,A,press", "62500,left,A,release"}},
        {"lift alone", Sm(4, {{1, "0L00"}}), usual, {"960000,down,X,press", "1000000,down,X,release"}},
        {"jump and three panels", Sm(4, {{0, "1001"}, {1, "1110"}}), usual,
         {"0,left,A,press", "0,right,B,press", "40000,left,A,release", "40000,right,B,release",
          "1000000,left,A,press", "1000000,down,X,press", "1000000,up,Y,press", "1040000,left,A,release",
          "1040000,down,X,release", "1040000,up,Y,release"}},
        {"a mine and a fake between taps", Sm(64, {{0, "1000"}, {1, "M000"}, {2, "F000"}, {3, "1000"}}), usual,
         {"0,left,A,press", "40000,left,A,release", "187500,left,A,press", "227500,left,A,release"}},
        {"DWI taps", Dwi("88"), usual,
         {"0,up,Y,press", "40000,up,Y,release", "500000,up,Y,press", "540000,up,Y,release"}},
        {"DWI freeze", Dwi("8!800008"), usual, {"0,up,Y,press", "2500000,up,Y,release"}},
        {"DWI freeze let go by a jump", Dwi("4!41"), usual,
         {"0,left,A,press", "500000,left,A,release", "500000,down,X,press", "540000,down,X,release"}},
        {"DWI jump", Dwi("A"), usual,
         {"0,down,X,press", "0,up,Y,press", "40000,down,X,release", "40000,up,Y,release"}},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ScratchFolder folder;
        const bool dwi = c.Chart.find("#SINGLE") != std::string::npos;
        const fs::path chart = folder.Write(dwi ? "song.dwi" : "song.sm", c.Chart);
        EXPECT_EQ(CsvEvents(Convert(chart, dwi ? "MANIAC(9)" : "Hard(9)", OutputFormat::Csv, c.Lengths)), c.Events);
    }
}

// A panel at a time: presses and releases alternate, and the presses'
// milliseconds are the timing file's records, in order.
struct PlayedBack {
    std::vector<std::int64_t> PressMs;
    std::string Fault;
};

PlayedBack PlayBack(const std::string& csv) {
    PlayedBack played;
    std::array<bool, 6> down{};
    std::int64_t last = INT64_MIN;
    for (const std::string& line : CsvEvents(csv)) {
        std::istringstream fields(line);
        std::string time, panel, button, action;
        std::getline(fields, time, ',');
        std::getline(fields, panel, ',');
        std::getline(fields, button, ',');
        std::getline(fields, action);
        const std::int64_t us = std::stoll(time);
        if (us < last) played.Fault = "time goes back at " + line;
        last = us;
        static const Lines kNames = {"left", "down", "up", "right", "c", "d"};
        const auto index = static_cast<std::size_t>(std::find(kNames.begin(), kNames.end(), panel) - kNames.begin());
        if (index >= kNames.size()) {
            played.Fault = "no such panel at " + line;
            continue;
        }
        const bool press = action == "press";
        if (down[index] == press) played.Fault = "pressed twice or let go twice at " + line;
        down[index] = press;
        if (press) played.PressMs.push_back(us >= 0 ? us / 1000 : -((-us + 999) / 1000));
    }
    for (bool held : down)
        if (held) played.Fault = "a panel left down at the end";
    return played;
}

// Every pair of panels gets the token "P", so that a record tells how many
// panels it presses.
ArrowTokens PairsMarked() { return {"P", "P", "P", "P", "P", "P"}; }

// The times of the records, a record of two panels once per panel.
std::vector<std::int64_t> RecordTimes(const std::string& kvt) {
    std::vector<std::int64_t> times;
    std::istringstream lines(kvt);
    for (std::string line; std::getline(lines, line);) {
        const std::string token = line.substr(0, line.rfind(' '));
        const std::int64_t ms = std::stoll(line.substr(line.rfind(' ') + 1));
        const int panels = token == "P" ? 2 : token == " " ? 0 : 1;
        for (int i = 0; i < panels; ++i) times.push_back(ms);
    }
    return times;
}

TEST(DeviceTimeline, EverySharedChartPlaysBackAsItsTimingFile) {
    const fs::path shared = fs::path(STEPQUILL_SOURCE_DIR) / ".." / "shared" / "charts";
    std::vector<fs::path> charts;
    for (const char* folder : {"real", "sm"}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(shared / folder, error))
            if (entry.path().extension() != ".md") charts.push_back(entry.path());
    }
    ASSERT_GE(charts.size(), 60u) << "the shared charts are missing: " << shared;
    std::size_t parts = 0;
    for (const fs::path& source : charts) {
        SCOPED_TRACE(source.filename().string());
        ScratchFolder folder;
        const fs::path chart = folder.Write(source.filename().string(), ReadBytes(source));
        for (const std::string& part : DisplayTexts(ReadChart(chart.string()).Info)) {
            SCOPED_TRACE(part);
            const std::string csv = Convert(chart, part, OutputFormat::Csv, {}, "out.csv");
            const PlayedBack played = PlayBack(csv);
            EXPECT_EQ(played.Fault, "");
            const std::vector<std::int64_t> records =
                RecordTimes(Convert(chart, part, OutputFormat::Kvt, {}, "out.kvt", PairsMarked()));
            // Every record's panels are pressed at its time; the other
            // presses are a roll's taps again and a lift's.
            std::vector<std::int64_t> unmatched;
            std::set_difference(records.begin(), records.end(), played.PressMs.begin(), played.PressMs.end(),
                                std::back_inserter(unmatched));
            EXPECT_EQ(unmatched, std::vector<std::int64_t>{});
            ++parts;
        }
    }
    EXPECT_GE(parts, 250u);
}

// One part in every device format: the CSV, the JSON and the header's
// moments are one timeline; the header compiles as C and as C++, and a
// program built with it prints the moments again.
TEST(DeviceTimeline, TheFormatsAgreeAndTheHeaderCompiles) {
    ScratchFolder folder;
    const fs::path chart =
        folder.Write("song.sm", Sm(4, {{0, "2000"}, {1, "3001"}, {2, "0L00"}, {3, "0004"}, {6, "0003"}}));
    const Lines csv = CsvEvents(Convert(chart, "Hard(9)", OutputFormat::Csv, {}, "song.csv"));
    const nlohmann::json json = nlohmann::json::parse(Convert(chart, "Hard(9)", OutputFormat::Json, {}, "song.json"));
    ASSERT_EQ(json["events"].size(), csv.size());
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const auto& event = json["events"][i];
        EXPECT_EQ(csv[i].substr(0, csv[i].find(',')), std::to_string(event[0].get<std::int64_t>()));
        EXPECT_NE(csv[i].find("," + event[1].get<std::string>() + ","), std::string::npos);
        EXPECT_NE(csv[i].find("," + event[2].get<std::string>()), std::string::npos);
    }
    EXPECT_EQ(json["time_unit"], "us");
    EXPECT_EQ(json["zero"], "music");

    // The moments as the CSV gives them: the panels held after each.
    std::string moments;
    unsigned held = 0, shown = 0;
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const std::string time = csv[i].substr(0, csv[i].find(','));
        const std::string panel = csv[i].substr(time.size() + 1, csv[i].find(',', time.size() + 1) - time.size() - 1);
        const unsigned bit = panel == "left" ? 1 : panel == "down" ? 2 : panel == "up" ? 4 : 8;
        held = csv[i].find("press") != std::string::npos ? held | bit : held & ~bit;
        const bool last = i + 1 == csv.size() || csv[i + 1].substr(0, csv[i + 1].find(',')) != time;
        if (last && held != shown) moments += time + " " + std::to_string(shown = held) + "\n";
    }

    Convert(chart, "Hard(9)", OutputFormat::CHeader, {}, "song.h");
    const fs::path empty = folder.Write("empty.sm", Sm(4, {{0, "M000"}}));
    Convert(empty, "Hard(9)", OutputFormat::CHeader, {}, "empty.h");
    folder.Write("play.c",
                 "#include <stdio.h>\n#include \"song.h\"\n#include \"empty.h\"\n"
                 "int main(void) {\n    unsigned i;\n    for (i = 0; i < SONG_HARD_COUNT; ++i)\n"
                 "        printf(\"%ld %u\\n\", (long)song_hard_times[i], (unsigned)song_hard_panels[i]);\n"
                 "    return EMPTY_HARD_COUNT == 0 && empty_hard_times[0] == 0 ? 0 : 1;\n}\n");
    const std::string dir = folder.Path().string();
    for (const char* compiler : {"gcc -std=c99 -Wall -Wextra -pedantic -Werror -x c",
                                 "g++ -std=c++17 -Wall -Wextra -pedantic -Werror -x c++"}) {
        SCOPED_TRACE(compiler);
        const std::string build = "cd '" + dir + "' && " + compiler + " play.c -o play && ./play > moments";
        ASSERT_EQ(std::system(build.c_str()), 0);
        EXPECT_EQ(ReadBytes(folder.Path() / "moments"), moments);
    }
}

}  // namespace
}  // namespace stepquill
