// Walking a part's step data into timed records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "step_walk.h"

namespace stepquill {
namespace {

using Lines = std::vector<std::string>;

struct Walk {
    Walk() {
        state.Bpm = 120;
        state.StepMs = 250;
    }
    WalkOutcome Run(const std::string& firstLine, const std::string& rest, RecordSink* sink = nullptr) {
        input.str(rest);
        ChartStream chart(input);
        NoteWriter notes(sink, state.OutputBuffer, tokens, log, ".", DwiNotation());
        return WalkSteps(firstLine, chart, state, lists, notes, log);
    }
    // The records only, without the log.
    std::string Records(const std::string& firstLine, const std::string& rest) {
        const auto outcome = Run(firstLine, rest);
        EXPECT_TRUE(outcome.Ok()) << outcome.StopReason;
        return state.OutputBuffer;
    }
    ConverterState state;
    TimingLists lists;
    ArrowTokens tokens;
    VectorLog log;
    std::istringstream input;
};

TEST(WalkSteps, NoteLengthMarkers) {
    const struct {
        const char* line;
        const char* records;
        double stepMs;
    } cases[] = {
        {"08", "Y 250\n", 250},
        {"(08", "Y 125\n", 125},
        {"[08", "Y 83\n", 500.0 / 6},
        {"{08", "Y 31\n", 31.25},
        {"`08", "Y 10\n", 500.0 / 48},
        {"(0)08", "Y 375\n", 250},
        {"[0]0", "", 250},
        {"{0}0", "", 250},
        {"`0'0", "", 250},
        {"(0]08", "Y 375\n", 250},
        {"([{08", "Y 31\n", 31.25},
    };
    for (const auto& c : cases) {
        Walk w;
        EXPECT_EQ(w.Records(c.line, ";"), c.records) << c.line;
        EXPECT_DOUBLE_EQ(w.state.StepMs, c.stepMs) << c.line;
    }
    Walk beats;
    beats.Records("`08", ";");
    EXPECT_DOUBLE_EQ(beats.state.Beat, 2.0 / 48);
}

TEST(WalkSteps, BeatStepReturnsToAHalfAtEveryLineButStepMsStays) {
    Walk w;
    ASSERT_TRUE(w.Run("", "(0\r\n0\r\n8\r\n;").Ok());
    EXPECT_EQ(w.state.OutputBuffer, "Y 250\n");
    EXPECT_EQ(w.log.Lines, (Lines{"Y@250 beat=0.75 bpmc=3"}));
    EXPECT_EQ(w.state.StepMs, 125);
}

TEST(WalkSteps, SkipsAndOtherCharacters) {
    const struct {
        const char* line;
        const char* records;
        double ms;
    } cases[] = {
        {"8!8", "Y 0\n", 250},
        {"2!(4", "X 0\nA 250\n", 500},
        {"8!", "Y 0\n", 250},
        {"7!4B!6", "A 0\nB 250\n", 500},
        {"58", "  0\nY 250\n", 500},
        {"E8", "  0\nY 0\n", 250},
        {"0", "", 250},
        {"123456789ABCD", "X 0\nX 250\nB 500\nA 750\n  1000\nB 1250\nA 1500\nY 1750\nY 2000\nY 2250\nA 2500\nL 2750\nR 3000\n", 3250},
        {"a#8", "  0\n  0\nY 0\n", 250},
        {"2 8\t4", "X 0\nY 250\nA 500\n", 750},
        {"20000000 80000000 ", "X 0\nY 2000\n", 4000},
    };
    for (const auto& c : cases) {
        Walk w;
        EXPECT_EQ(w.Records(c.line, ";"), c.records) << c.line;
        EXPECT_EQ(w.state.CurrentMs, c.ms) << c.line;
    }
    // The log says why a record has a blank token.
    Walk unknown;
    unknown.Records("E", ";");
    EXPECT_EQ(unknown.log.Lines,
              (Lines{" @0 beat=0 bpmc=0", "Step character E names no arrow: its record has a blank token"}));
}

TEST(WalkSteps, ChordsEmitEveryArrowAtOneStep) {
    const struct {
        const char* line;
        const char* records;
        double ms;
    } cases[] = {
        {"<24>8", "X 0\nA 0\nY 250\n", 500},
        {"1<24>3", "X 0\nX 250\nA 250\nB 500\n", 750},
        {"<2!48>", "X 0\nY 0\n", 250},
        {"<205Ex>8", "X 0\nY 250\n", 500},
        {"<79AB CD>", "A 0\nY 0\nY 0\nA 0\nL 0\nR 0\n", 250},
        {"<>8", "Y 250\n", 500},
        {"<2;4>8;8", "X 0\nA 0\nY 250\n", 500},
        {"(<24>8", "X 0\nA 0\nY 125\n", 250},
    };
    for (const auto& c : cases) {
        Walk w;
        EXPECT_EQ(w.Records(c.line, ";"), c.records) << c.line;
        EXPECT_EQ(w.state.CurrentMs, c.ms) << c.line;
    }
}

TEST(WalkSteps, AnUnclosedChordTakesTheRestOfItsLine) {
    Walk w;
    EXPECT_EQ(w.Records("", "8<24\r\n6\r\n;\r\n"), "Y 0\nX 250\nA 250\nB 500\n");
    EXPECT_EQ(w.state.CurrentMs, 750);
}

TEST(WalkSteps, AChordStepRunsTheChecks) {
    Walk w;
    w.lists.Freezes = {"1=100"};
    EXPECT_EQ(w.Records("<24>8", ";"), "X 0\nA 0\nY 350\n");
}

TEST(WalkSteps, TheFirstSemicolonEndsThePart) {
    const struct {
        const char* first;
        const char* rest;
        const char* records;
    } cases[] = {
        {"", ";\r\n8\r\n", ""},
        {"", "; \r\n8\r\n", ""},
        {"", "08;88\r\n8\r\n", "Y 250\n"},
        {"", "00000000;\r\n#SINGLE:MANIAC:9:\r\n8\r\n", ""},
        {"8;", "2\r\n", "Y 0\n"},
        {"8", "2\r\n;\r\n4\r\n", "Y 0\nX 250\n"},
        {"", "!;8;4\r\n", "Y 0\n"},
        {"", "<;>8\r\n;", "Y 250\n"},
        {"", "\r\n\r\n8\r\n\r\n;", "Y 0\n"},
    };
    for (const auto& c : cases) {
        Walk w;
        EXPECT_EQ(w.Records(c.first, c.rest), c.records) << c.first << "|" << c.rest;
    }
    Walk w;
    ASSERT_TRUE(w.Run("", "08;\r\nnext\r\n").Ok());
    EXPECT_EQ(w.state.CurrentMs, 500);
    std::string line;
    ChartStream rest(w.input);
    ASSERT_TRUE(rest.ReadLine(line));
    EXPECT_EQ(line, "next");
}

TEST(WalkSteps, EndsAtTheEndOfTheChartWithoutASemicolon) {
    Walk w;
    EXPECT_EQ(w.Records("2", "4\r\n6"), "X 0\nA 250\nB 500\n");
}

TEST(WalkSteps, StopsNeedBeatTimesFourToExceedTheirPosition) {
    Walk w;
    w.lists.Freezes = {"4=300"};
    EXPECT_EQ(w.Records("0008", ";"), "Y 1050\n");
    Walk late;
    late.lists.Freezes = {"4=300"};
    EXPECT_EQ(late.Records("08", ";"), "Y 250\n");
    EXPECT_EQ(late.lists.FreezeIndex, 0u);

    Walk both;
    both.lists.Freezes = {"0=100", "1=100"};
    EXPECT_EQ(both.Records("008", ";"), "Y 700\n");
    EXPECT_EQ(both.log.Lines, (Lines{"Freeze 100", "Freeze 100", "Y@700 beat=1 bpmc=4"}));

    Walk markersOnly;
    markersOnly.lists.Freezes = {"0=100"};
    EXPECT_EQ(markersOnly.Records("(8", ";"), "Y 0\n");
    EXPECT_EQ(markersOnly.state.CurrentMs, 225);
}

TEST(WalkSteps, TempoChangesFallDueAtTheirPositionAndSetTheStepLength) {
    Walk w;
    w.lists.BpmChanges = {"4=240"};
    EXPECT_EQ(w.Records("0008", ";"), "Y 625\n");
    EXPECT_EQ(w.state.Bpm, 240);
    EXPECT_EQ(w.state.StepMs, 125);
    EXPECT_EQ(w.log.Lines, (Lines{"BPM Change to 240", "Y@625 beat=1.5 bpmc=6"}));

    Walk quarter;
    quarter.lists.BpmChanges = {"4=240"};
    EXPECT_EQ(quarter.Records("(0000008", ";"), "Y 625\n");
    EXPECT_EQ(quarter.state.StepMs, 62.5);

    // The note length set on an earlier line still decides the new step length.
    Walk carried;
    carried.lists.BpmChanges = {"4=240"};
    EXPECT_EQ(carried.Records("", "(\r\n00008\r\n;"), "Y 375\n");

    Walk closed;
    closed.lists.BpmChanges = {"2=240"};
    EXPECT_EQ(closed.Records("(00)08", ";"), "Y 375\n");
    EXPECT_EQ(closed.state.StepMs, 125);

    Walk logged;
    logged.lists.BpmChanges = {"2.000=180.000;", "3=60"};
    ASSERT_TRUE(logged.Run("00", ";").Ok());
    EXPECT_EQ(logged.log.Lines, (Lines{"BPM Change to 180.000;", "BPM Change to 60"}));
    EXPECT_EQ(logged.state.Bpm, 60);
    EXPECT_EQ(logged.lists.BpmChangeIndex, 2u);
}

TEST(WalkSteps, AStopAndATempoChangeOnOneStep) {
    Walk w;
    w.lists.Freezes = {"1=500"};
    w.lists.BpmChanges = {"2=60"};
    ASSERT_TRUE(w.Run("08", ";").Ok());
    EXPECT_EQ(w.state.OutputBuffer, "Y 750\n");
    EXPECT_EQ(w.log.Lines, (Lines{"Freeze 500", "BPM Change to 60", "Y@750 beat=0.5 bpmc=2"}));
    EXPECT_EQ(w.state.StepMs, 500);
}

TEST(WalkSteps, MalformedEntriesArePassedOver) {
    Walk emptyFirst;
    emptyFirst.lists.Freezes = {"", "4=300"};
    EXPECT_EQ(emptyFirst.Records("0008", ";"), "Y 1050\n");
    EXPECT_EQ(emptyFirst.lists.FreezeIndex, 2u);

    Walk emptyNow;
    emptyNow.lists.Freezes = {"", "0=300"};
    EXPECT_EQ(emptyNow.Records("08", ";"), "Y 550\n");

    Walk noEquals;
    noEquals.lists.Freezes = {"2", "12=300"};
    noEquals.lists.BpmChanges = {"2", "", "20=60"};
    const auto outcome = noEquals.Run("0000000008", ";");
    ASSERT_TRUE(outcome.Ok()) << outcome.StopReason;
    EXPECT_EQ(noEquals.state.OutputBuffer, "Y 2550\n");
    EXPECT_EQ(noEquals.log.Lines,
              (Lines{"Freeze 300", "Y@2550 beat=4.5 bpmc=18", "BPM Change to 60"}));
    EXPECT_EQ(noEquals.state.Bpm, 60);
    EXPECT_EQ(noEquals.lists.FreezeIndex, 2u);

    Walk trailing;
    trailing.lists.BpmChanges = {"2=240", ""};
    EXPECT_EQ(trailing.Records("0008", ";"), "Y 500\n");
}

TEST(WalkSteps, ATempoChangeToZeroOrAMarkerAtTempoZeroStops) {
    const struct {
        Lines bpmChanges;
        double bpm;
        const char* part;
        const char* reason;  // empty: the walk reaches the part's end
    } cases[] = {
        {{"2=0"}, 120, "0088", "a tempo change to 0"},
        {{}, 0, "(8", "a note-length marker at tempo 0"},
        {{"64=0"}, 120, "0088", ""},
    };
    for (const auto& c : cases) {
        Walk w;
        w.state.Bpm = c.bpm;
        w.lists.BpmChanges = c.bpmChanges;
        EXPECT_EQ(w.Run(c.part, ";").StopReason, c.reason) << c.part;
    }
}

TEST(WalkSteps, TheTimeCarriesItsRoundingDriftButTheBeatIsExact) {
    Walk sums;
    ASSERT_TRUE(sums.Run("[000000", ";").Ok());
    EXPECT_EQ(sums.state.CurrentMs, 499.99999999999994);
    EXPECT_EQ(sums.state.Beat, 1);

    Walk w;
    ASSERT_TRUE(w.Run("[0000008", ";").Ok());
    EXPECT_EQ(w.state.OutputBuffer, "Y 499\n");
    EXPECT_EQ(w.log.Lines, (Lines{"Y@499 beat=1 bpmc=4"}));
}

// Tempo 120, offset 0: every due entry at its step, tempo changes inside a
// step, warps and freeze ends.
TEST(WalkSteps, TimingAsTheChartMeansIt) {
    const struct {
        Lines bpmChanges;
        Lines freezes;
        const char* part;
        const char* records;
        Lines logExcerpt;  // consecutive lines of the log
    } cases[] = {
        // Six sixths make exactly one beat, so the change at 4 is due there.
        {{"4=240;"}, {}, "[888888]88", "Y 0\nY 83\nY 166\nY 250\nY 333\nY 416\nY 499\nY 625\n",
         {"BPM Change to 240;", "Y@499 beat=1 bpmc=4"}},
        {{}, {"0=100", "1=200;"}, "888", "Y 0\nY 550\nY 800\n",
         {"Y@0 beat=0 bpmc=0", "Freeze 100", "Freeze 200;", "Y@550 beat=0.5 bpmc=2"}},
        {{"1=240;"}, {}, "888", "Y 0\nY 187\nY 312\n", {"BPM Change to 240;", "Y@187 beat=0.5 bpmc=2"}},
        // Two changes inside one step, each from its own position.
        {{"0.5=240", "1=480"}, {}, "88", "Y 0\nY 125\n",
         {"BPM Change to 240", "BPM Change to 480", "Y@125 beat=0.5 bpmc=2"}},
        // Listed out of order: the late entry applies from here on only.
        {{"8=240", "2=60"}, {}, "00008", "Y 1000\n",
         {"BPM Change to 240", "BPM Change to 60", "Y@1000 beat=2 bpmc=8"}},
        {{}, {"2=-600;"}, "88888", "Y 0\nY 250\nY 400\n",
         {"Freeze -600;", "Warped over: Y@-100 beat=1 bpmc=4", "Warped over: Y@150 beat=1.5 bpmc=6",
          "Y@400 beat=2 bpmc=8"}},
        {{}, {"1=-400"}, "8<24>8", "Y 0\nY 100\n",
         {"Warped over: X@-150 beat=0.5 bpmc=2", "Warped over: A@-150 beat=0.5 bpmc=2"}},
        {{}, {}, "8!80084!4B", "Y 0\nA 1000\nB 1250\n", {"Freeze end: Y@750 beat=1.5 bpmc=6"}},
        {{}, {}, "<4!48>\n0<46>", "A 0\nY 0\nB 500\n", {"Freeze end: A@500 beat=1 bpmc=4", "B@500 beat=1 bpmc=4"}},
    };
    for (const auto& c : cases) {
        Walk w;
        w.tokens.LeftRight = "Y";
        w.lists.BpmChanges = c.bpmChanges;
        w.lists.Freezes = c.freezes;
        EXPECT_EQ(w.Records("", std::string(c.part) + "\n;"), c.records) << c.part;
        ASSERT_FALSE(c.logExcerpt.empty()) << "an empty excerpt is found anywhere";
        auto at = std::search(w.log.Lines.begin(), w.log.Lines.end(), c.logExcerpt.begin(), c.logExcerpt.end());
        EXPECT_NE(at, w.log.Lines.end()) << c.part;
    }
}

// Takes blocks of twelve bytes, and refuses the block that would pass `limit`.
class ListSink final : public RecordSink {
public:
    explicit ListSink(std::size_t limit) : limit_(limit) {}
    std::size_t BlockBytes() const override { return 12; }
    bool Take(std::string_view records, std::string& reason) override {
        if (taken.size() + records.size() > limit_) {
            reason = "no room";
            return false;
        }
        taken += records;
        return true;
    }
    std::string taken;

private:
    std::size_t limit_;
};

TEST(WalkSteps, HandsFullBlocksToItsSinkAndKeepsTheRest) {
    Walk w;
    ListSink sink(100);
    ASSERT_TRUE(w.Run("", "8246\r\n;").Ok());
    const std::string whole = w.state.OutputBuffer;

    Walk blocks;
    ASSERT_TRUE(blocks.Run("", "8246\r\n;", &sink).Ok());
    EXPECT_EQ(sink.taken, "Y 0\nX 250\nA 500\n");
    EXPECT_EQ(sink.taken + blocks.state.OutputBuffer, whole);

    Walk refused;
    ListSink full(5);
    EXPECT_EQ(refused.Run("", "8246\r\n;", &full).StopReason, "no room");
}

}  // namespace
}  // namespace stepquill
