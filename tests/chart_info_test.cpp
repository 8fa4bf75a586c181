// Reading a chart's header values, captions and difficulty list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "chart_formats.h"
#include "chart_info.h"
#include "cut_chart.h"
#include "dwi_info.h"
#include "scratch_folder.h"

namespace stepquill {
namespace {

const char* const kHeader = "#TITLE:Song;\r\n#ARTIST:Band;\r\n#BPM:150.000;\r\n#GAP:-120;\r\n";

// What a reading leaves, as the window shows it.
struct Shown {
    std::optional<std::string> TitleCaption, TempoCaption, OffsetCaption;
    std::vector<std::string> Difficulties;
    bool ReachedEnd = false;
};

struct Outcome {
    std::string FailureReason;
    bool Ok() const { return FailureReason.empty(); }
};

// Keeps the reading's values in `state`, as the window does for the next
// reading, and its captions in `info`.
Outcome Keep(const ChartReading& reading, ChartInfo& state, Shown& info, std::string_view separator = ".") {
    state = reading.Info;
    if (state.HasTitle) info.TitleCaption = TitleCaption(state);
    if (state.HasTempo) info.TempoCaption = TempoCaption(state, separator);
    if (state.HasOffset) info.OffsetCaption = OffsetCaption(state, separator);
    info.Difficulties = DisplayTexts(state);
    info.ReachedEnd = state.ReachedEnd;
    return {reading.StopReason};
}

Outcome Read(const std::string& text, ChartInfo& state, Shown& info, std::string_view separator = ".") {
    std::istringstream input(text);
    return Keep(ReadChartInfo(input, {}, state), state, info, separator);
}

template <typename Input>
Outcome ReadInto(Input& input, ChartInfo& state, Shown& info) {
    return Keep(ReadChartInfo(input, {}, state), state, info);
}

Outcome ReadInto(const std::string& path, ChartInfo& state, Shown& info) {
    return Keep(ReadChart(path, {}, state), state, info);
}

Outcome ShowIn(ChartInfoControls& controls, ChartInfo& state) {
    const ChartReading reading = GetChartInfo(controls, state);
    state = reading.Info;
    return {reading.StopReason};
}

TEST(ReadChartInfo, ReadsTheTypicalChart) {
    // A conversion's values, left by an earlier run, that the reading must keep.
    ChartInfo state;
    Shown info;
    const std::string chart = std::string(kHeader) +
                              "#SINGLE:BASIC:5:\r\n20002000\r\n;\r\n"
                              "#SINGLE:MANIAC:9:\r\n2468,8642\r\n;\r\n";
    ASSERT_TRUE(Read(chart, state, info).Ok());
    EXPECT_EQ(state.Title, "Song");
    EXPECT_EQ(state.Artist, "Band");
    EXPECT_EQ(state.Bpm, 150);
    EXPECT_EQ(state.OffsetMs, -120);
    EXPECT_EQ(info.TitleCaption, "Song\r\nby Band");
    EXPECT_EQ(info.TempoCaption, "BPM:150");
    EXPECT_EQ(info.OffsetCaption, "Offset:-120ms");
    EXPECT_EQ(info.Difficulties, (std::vector<std::string>{"BASIC(5)", "MANIAC(9)"}));
    EXPECT_TRUE(info.ReachedEnd);
}

TEST(ReadChartInfo, TakesValuesByTheValueRule) {
    struct Case {
        std::string titleLine;
        std::string title;
    };
    const Case cases[] = {
        {"#TITLE:Song;", "Song"},
        {"#TITLE:Re:Start;", "Re:Start"},
        {"#TITLE:;", ""},
        {"#TITLE:Hello, World;", "Hell"},
        {"#TITLE Song;", "#TIT"},
        {"#TITLE:A;#ARTIST:X;", "A;#ARTIST:X"},
        {"   \t#TITLE:Spaced;", "Spaced"},
        {"#TITLE: two  blanks ;", " two  blanks "},
        {"#TITLE:\xC4\xE9;", "\xC4\xE9"},
        {"#TITLE:\"Quoted\";", "\"Quoted\""},
    };
    for (const auto& c : cases) {
        ChartInfo state;
        Shown info;
        const std::string chart = c.titleLine + "\r\n#ARTIST:Band;\r\n#BPM:150;\r\n#GAP:0;\r\n";
        EXPECT_TRUE(Read(chart, state, info).Ok()) << c.titleLine;
        EXPECT_EQ(state.Title, c.title) << c.titleLine;
    }

    struct NumberCase {
        std::string bpmLine;
        double bpm;
        std::string caption;
    };
    const NumberCase numbers[] = {
        {"#BPM:150.000;", 150, "BPM:150"},
        {"#BPM:145.5;", 145.5, "BPM:145.5"},
        {"#BPM:150", 15, "BPM:15"},
        {"#BPM:;", 0, "BPM:0"},
        {"#BPM:fast;", 0, "BPM:0"},
        {"#BPM:1 2 0;", 120, "BPM:120"},
    };
    for (const auto& c : numbers) {
        ChartInfo state;
        Shown info;
        const std::string chart = "#TITLE:T;\n#ARTIST:A;\n" + c.bpmLine + "\n#GAP:1500;\n";
        EXPECT_TRUE(Read(chart, state, info).Ok()) << c.bpmLine;
        EXPECT_EQ(state.Bpm, c.bpm) << c.bpmLine;
        EXPECT_EQ(info.TempoCaption, c.caption) << c.bpmLine;
        EXPECT_EQ(state.OffsetMs, 1500);
        EXPECT_EQ(info.OffsetCaption, "Offset:1500ms");
    }
}

TEST(ReadChartInfo, CaptionsUseTheDecimalSeparator) {
    ChartInfo state;
    Shown info;
    ASSERT_TRUE(Read("#TITLE:T;\n#ARTIST:A;\n#BPM:145.5;\n#GAP:-12.25;\n", state, info, ",").Ok());
    EXPECT_EQ(info.TempoCaption, "BPM:145,5");
    EXPECT_EQ(info.OffsetCaption, "Offset:-12,25ms");
}

TEST(ReadChartInfo, ListsSinglePlayPartsOnly) {
    ChartInfo state;
    Shown info;
    const std::string chart = std::string(kHeader) +
                              "#SINGLE:BEGINNER:1:0000;\n"
                              "#SINGLE:MANIAC:10:\n"
                              "#SINGLE:BASIC::\n"
                              "#SINGLE:EXPERT:5:\n"
                              "#DOUBLE:BASIC:5:\n"
                              "#single:BASIC:5:\n"
                              "#SINGLE:basic:5:\n"
                              "#SOLO:BASIC:3:\n"
                              "#SINGLE:SMANIAC:12:0000,2000;\n"
                              "#SINGLE:ANOTHER:7:\n"
                              "#SINGLE:ANOTHER:7:\n"
                              "#SINGLE:BASIC:5:a:b\n"
                              "2000,4000\n;\n";
    ASSERT_TRUE(Read(chart, state, info).Ok());
    EXPECT_EQ(info.Difficulties,
              (std::vector<std::string>{"BEGINNER(1)", "MANIAC(10)", "BASIC()", "SMANIAC(12)",
                                        "ANOTHER(7)", "ANOTHER(7)", "BASIC(5)"}));
    EXPECT_TRUE(info.ReachedEnd);
}

TEST(ReadChartInfo, FindsHeaderTagsInAnyOrder) {
    ChartInfo state;
    Shown info;
    const std::string chart =
        "#SINGLE:BASIC:3:\n2000\n;\n#GAP:-120;\n#BPM:150;\n#ARTIST:Band;\n#TITLE:Song;\n"
        "#SINGLE:MANIAC:9:\n;\n";
    ASSERT_TRUE(Read(chart, state, info).Ok());
    EXPECT_EQ(state.Title, "Song");
    EXPECT_EQ(state.Artist, "Band");
    EXPECT_EQ(state.Bpm, 150);
    EXPECT_EQ(state.OffsetMs, -120);
    EXPECT_EQ(info.Difficulties, (std::vector<std::string>{"BASIC(3)", "MANIAC(9)"}));
}

TEST(ReadChartInfo, TakesTheFirstFieldThatMatchesATag) {
    ChartInfo state;
    Shown info;
    ASSERT_TRUE(Read("#TITLE:One;\n#TITLE:Two;\n#ARTIST:A;\n#BPM:100;\n#BPM:200;\n#GAP:0;\n",
                     state, info)
                    .Ok());
    EXPECT_EQ(state.Title, "One");
    EXPECT_EQ(state.Bpm, 100);
}

TEST(ReadChartInfo, BlankLinesBetweenPartsAreOrdinary) {
    ChartInfo state;
    Shown info;
    const std::string chart = std::string(kHeader) +
                              "\r\n#SINGLE:BASIC:5:\r\n2000\r\n;\r\n\r\n\r\n"
                              "#SINGLE:MANIAC:9:\r\n\r\n8000\r\n;\r\n\r\n";
    ASSERT_TRUE(Read(chart, state, info).Ok());
    EXPECT_EQ(info.Difficulties, (std::vector<std::string>{"BASIC(5)", "MANIAC(9)"}));
    EXPECT_TRUE(info.ReachedEnd);
}

ChartInfo EarlierChart() {
    ChartInfo state;
    state.Title = "Old";
    state.Artist = "Earlier";
    state.Bpm = 90;
    state.OffsetMs = 7;
    return state;
}

TEST(ReadChartInfo, FailuresKeepWhatWasDoneBefore) {
    struct Case {
        const char* name;
        std::string chart;
        const char* reason;
        const char* title;
        const char* artist;
        double bpm;
        double offset;
        std::optional<std::string> titleCaption;
        std::optional<std::string> tempoCaption;
        std::optional<std::string> offsetCaption;
        std::vector<std::string> difficulties;
    };
    const std::optional<std::string> none;
    const Case cases[] = {
        {"empty chart", "", "the chart has no #TITLE tag", "Old", "Earlier", 90, 7, none, none, none, {}},
        {"title tag too short", "#TITLE:\n#ARTIST:A;\n#BPM:1;\n#GAP:2;\n", "the #TITLE tag has no value", "Old", "Earlier", 90, 7,
         none, none, none, {}},
        {"no artist", "#TITLE:New;\n#BPM:120;\n#GAP:5;\n#SINGLE:BASIC:5:\n", "the chart has no #ARTIST tag", "New", "Earlier", 90,
         7, std::string("New\r\nby Earlier"), none, none, {}},
        {"two tags in one field", "#TITLE:A;#ARTIST:B;\n#BPM:120;\n#GAP:5;\n", "the chart has no #ARTIST tag", "A;#ARTIST:B",
         "Earlier", 90, 7, std::string("A;#ARTIST:B\r\nby Earlier"), none, none, {}},
        {"lower-case artist tag", "#TITLE:T;\n#artist:B;\n#BPM:120;\n#GAP:5;\n", "the chart has no #ARTIST tag", "T", "Earlier",
         90, 7, std::string("T\r\nby Earlier"), none, none, {}},
        {"no tempo", "#TITLE:T;\n#ARTIST:B;\n#GAP:5;\n#SINGLE:BASIC:5:\n", "the chart has no #BPM tag", "T", "B", 90, 7,
         std::string("T\r\nby B"), std::string("BPM:90"), none, {}},
        {"tempo tag too short", "#TITLE:T;\n#ARTIST:B;\n#BPM:\n#GAP:5;\n", "the #BPM tag has no value", "T", "B", 90, 7,
         std::string("T\r\nby B"), none, none, {}},
        {"no offset", "#TITLE:T;\n#ARTIST:B;\n#BPM:120;\n#SINGLE:BASIC:5:\n", "the chart has no #GAP tag", "T", "B", 120, 7,
         std::string("T\r\nby B"), std::string("BPM:120"), std::string("Offset:7ms"), {}},
        {"single without rating", "#TITLE:T;\n#ARTIST:B;\n#BPM:120;\n#GAP:5;\n"
                                  "#SINGLE:MANIAC:9:\n#SINGLE:BASIC\n#SINGLE:ANOTHER:7:\n", "the #SINGLE:BASIC field has no rating",
         "T", "B", 120, 5, std::string("T\r\nby B"), std::string("BPM:120"),
         std::string("Offset:5ms"), {"MANIAC(9)"}},
        {"single without colon", "#TITLE:T;\n#ARTIST:B;\n#BPM:120;\n#GAP:5;\n"
                                 "#SINGLE:MANIAC:9:\n#SINGLE\n", "a #SINGLE field names no difficulty",
         "T", "B", 120, 5, std::string("T\r\nby B"), std::string("BPM:120"),
         std::string("Offset:5ms"), {"MANIAC(9)"}},
    };
    for (const auto& c : cases) {
        ChartInfo state = EarlierChart();
        Shown info;
        EXPECT_EQ(Read(c.chart, state, info).FailureReason, c.reason) << c.name;
        EXPECT_EQ(state.Title, c.title) << c.name;
        EXPECT_EQ(state.Artist, c.artist) << c.name;
        EXPECT_EQ(state.Bpm, c.bpm) << c.name;
        EXPECT_EQ(state.OffsetMs, c.offset) << c.name;
        EXPECT_EQ(info.TitleCaption, c.titleCaption) << c.name;
        EXPECT_EQ(info.TempoCaption, c.tempoCaption) << c.name;
        EXPECT_EQ(info.OffsetCaption, c.offsetCaption) << c.name;
        EXPECT_EQ(info.Difficulties, c.difficulties) << c.name;
        EXPECT_FALSE(info.ReachedEnd) << c.name;
    }
}

TEST(ReadChartInfo, MissingFileFailsAndChangesNothing) {
    ChartInfo state = EarlierChart();
    Shown info;
    const auto missing = std::filesystem::temp_directory_path() / "stepquill-no-such-chart.dwi";
    const std::string folder = std::filesystem::temp_directory_path().string();
    const std::pair<std::string, std::string> rows[] = {
        {missing.string(), "cannot open " + missing.string() + ": No such file or directory"},
        {"", "cannot open : No such file or directory"},
        {folder, "cannot open " + folder + ": Is a directory"},
    };
    for (const auto& [path, reason] : rows) EXPECT_EQ(ReadInto(path, state, info).FailureReason, reason) << path;
    EXPECT_EQ(state.Title, "Old");
    EXPECT_EQ(state.Bpm, 90);
    EXPECT_FALSE(info.TitleCaption.has_value());
    EXPECT_TRUE(info.Difficulties.empty());
}

// A read error fails the reading, and only what came whole before it stands:
// a stream whose buffer throws it (every read of /proc/self/mem fails with
// EIO), and a chart cut short inside the artist's field.
TEST(ReadChartInfo, AReadErrorFailsTheReading) {
    ChartInfo state = EarlierChart();
    Shown info;
    std::ifstream memory("/proc/self/mem", std::ios::binary);
    ASSERT_TRUE(memory.is_open());
    EXPECT_EQ(ReadInto(memory, state, info).FailureReason, "the chart could not be read");

    support::CutChart chart("#TITLE:Song;\r\n#ARTIST:Band");
    EXPECT_EQ(ReadInto(chart, state, info).FailureReason, "the chart could not be read");
    EXPECT_EQ(state.Title, "Song");
    EXPECT_EQ(state.Artist, EarlierChart().Artist);
    EXPECT_FALSE(info.TitleCaption.has_value());
}

// Controls that remember what the reading did with them.
class FakeControls : public ChartInfoControls {
public:
    std::string Path;
    std::vector<std::string> Items;
    std::string Text;
    std::vector<std::string> Calls;
    std::optional<std::string> TitleCaption, TempoCaption, OffsetCaption;

    std::string PathText() override { return Path; }
    void ClearDifficulties() override {
        Calls.push_back("clear difficulties");
        Items.clear();
        Text.clear();
    }
    void AppendDifficulty(const std::string& text) override { Items.push_back(text); }
    std::string DifficultyText() override { return Text; }
    std::string FirstDifficulty() override { return Items.empty() ? "" : Items.front(); }
    void SetDifficultyText(const std::string& text) override {
        for (const auto& item : Items)
            if (item == text) Text = text;
    }
    void ClearLog() override { Calls.push_back("clear log"); }
    void SetTitleCaption(const std::string& c) override { TitleCaption = c; }
    void SetTempoCaption(const std::string& c) override { TempoCaption = c; }
    void SetOffsetCaption(const std::string& c) override { OffsetCaption = c; }
};

class GetDWIInfoTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) { return folder_.Write(name, text); }
    const support::ScratchFolder folder_;
};

TEST_F(GetDWIInfoTest, ShowsAWholeReadingAndSelectsTheFirstItem) {
    FakeControls controls;
    controls.Items = {"STALE(1)"};
    controls.Text = "STALE(1)";
    controls.Path = Write("song.dwi", std::string(kHeader) + "#SINGLE:BASIC:5:\n;\n#SINGLE:MANIAC:9:\n;\n");
    ChartInfo state;
    ASSERT_TRUE(ShowIn(controls, state).Ok());
    EXPECT_EQ(controls.Items, (std::vector<std::string>{"BASIC(5)", "MANIAC(9)"}));
    EXPECT_EQ(controls.Text, "BASIC(5)");
    EXPECT_EQ(controls.TitleCaption, "Song\r\nby Band");
    EXPECT_EQ(controls.TempoCaption, "BPM:150");
    EXPECT_EQ(controls.OffsetCaption, "Offset:-120ms");
    EXPECT_NE(std::find(controls.Calls.begin(), controls.Calls.end(), "clear log"), controls.Calls.end());
    EXPECT_EQ(state.Bpm, 150);
}

TEST_F(GetDWIInfoTest, AFailedReadingShowsWhatItFoundAndSelectsNothing) {
    FakeControls controls;
    controls.Path = Write("bad.dwi", std::string(kHeader) + "#SINGLE:BASIC:5:\n#SINGLE:MANIAC\n");
    controls.TempoCaption = "BPM:1";
    ChartInfo state;
    EXPECT_EQ(ShowIn(controls, state).FailureReason, "the #SINGLE:MANIAC field has no rating");
    EXPECT_EQ(controls.Items, (std::vector<std::string>{"BASIC(5)"}));
    EXPECT_EQ(controls.Text, "");
    EXPECT_EQ(controls.TempoCaption, "BPM:150");
}

TEST_F(GetDWIInfoTest, AnUnopenablePathClearsAndLeavesTheCaptions) {
    FakeControls controls;
    controls.Items = {"STALE(1)"};
    controls.Text = "STALE(1)";
    controls.TitleCaption = "kept";
    controls.Path = (folder_ / "missing.dwi").string();
    ChartInfo state = EarlierChart();
    EXPECT_EQ(ShowIn(controls, state).FailureReason, "cannot open " + controls.Path + ": No such file or directory");
    EXPECT_TRUE(controls.Items.empty());
    EXPECT_EQ(controls.Text, "");
    EXPECT_EQ(controls.TitleCaption, "kept");
    EXPECT_FALSE(controls.TempoCaption.has_value());
    EXPECT_EQ(std::count(controls.Calls.begin(), controls.Calls.end(), "clear log"), 1);
    EXPECT_EQ(state.Title, "Old");
}

TEST_F(GetDWIInfoTest, AReadingWithoutPartsLeavesTheChooserEmpty) {
    FakeControls controls;
    controls.Path = Write("none.dwi", kHeader);
    ChartInfo state;
    EXPECT_TRUE(ShowIn(controls, state).Ok());
    EXPECT_TRUE(controls.Items.empty());
    EXPECT_EQ(controls.Text, "");
    EXPECT_EQ(controls.OffsetCaption, "Offset:-120ms");
}

// A conversion's reading ends at the part it wants, once every tag is found.
TEST_F(GetDWIInfoTest, AReadingForAConversionEndsAtItsPart) {
    const std::string chart = Write("for.dwi", "#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#SINGLE:BASIC:2:\n;\n"
                                               "#GAP:-5;\n#SINGLE:MANIAC:9:\n;\n#SINGLE:BASIC\n");
    const struct {
        const char* wanted;
        const char* reason;
        std::vector<std::string> listed;
    } cases[] = {
        // The part stands before #GAP: the reading goes on until that is found.
        {"BASIC", "", {"BASIC(2)"}},
        {"MANIAC(9)", "", {"BASIC(2)", "MANIAC(9)"}},
        // Not listed: the whole chart is read, and its broken last field fails it.
        {"MANIAC(8)", "the #SINGLE:BASIC field has no rating", {"BASIC(2)", "MANIAC(9)"}},
    };
    for (const auto& c : cases) {
        ChartInfo state;
        Shown info;
        EXPECT_EQ(Keep(ReadChart(chart, c.wanted, state), state, info).FailureReason, c.reason) << c.wanted;
        EXPECT_EQ(info.Difficulties, c.listed) << c.wanted;
        EXPECT_EQ(state.OffsetMs, -5) << c.wanted;
        EXPECT_FALSE(info.ReachedEnd) << c.wanted;
    }
}

}  // namespace
}  // namespace stepquill
