// The record and the log line of one arrow.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "step_record.h"

namespace stepquill {
namespace {

TEST(EmitStepRecord, WorkedExampleGivesTheDocumentedBytes) {
    ConverterState state;
    state.Bpm = 120;
    ArrowTokens tokens;
    tokens.UpLeft = "L";
    VectorLog log;
    const struct {
        const char* ch;
        double ms;
        double beat;
    } steps[] = {{"8", 0, 0}, {"2", 250, 0.5}, {"7", 500, 1}};
    for (const auto& s : steps) {
        state.CurrentChar = s.ch;
        state.CurrentMs = s.ms;
        state.Beat = s.beat;
        EmitStepRecord(state, tokens, log);
        EXPECT_EQ(state.CurrentMs, s.ms);
        EXPECT_EQ(state.Beat, s.beat);
        EXPECT_EQ(state.CurrentChar, s.ch);
    }
    const unsigned char expected[] = {0x59, 0x20, 0x30, 0x0A, 0x58, 0x20, 0x32, 0x35,
                                      0x30, 0x0A, 0x4C, 0x20, 0x35, 0x30, 0x30, 0x0A};
    EXPECT_EQ(state.OutputBuffer, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"Y@0 beat=0 bpmc=0", "X@250 beat=0.5 bpmc=2",
                                                   "L@500 beat=1 bpmc=4"}));
    EXPECT_EQ(state.Bpm, 120);
}

TEST(EmitStepRecord, TakesTheTimeDownToAWholeNumber) {
    const struct {
        double ms;
        const char* time;
    } cases[] = {
        {0, "0"},
        {214.28571428571428, "214"},
        {428.57142857142856, "428"},
        {642.8571428571429, "642"},
        {499.99999999999994, "499"},
        {999.999, "999"},
        {-50.5, "-51"},
        {-0.25, "-1"},
        {-120, "-120"},
        {1500, "1500"},
        {123456789012.7, "123456789012"},
    };
    for (const auto& c : cases) {
        ConverterState state;
        state.CurrentChar = "4";
        state.CurrentMs = c.ms;
        VectorLog log;
        EmitStepRecord(state, ArrowTokens{}, log);
        EXPECT_EQ(state.OutputBuffer, std::string("A ") + c.time + "\n") << c.ms;
        ASSERT_EQ(log.Lines.size(), 1u);
        EXPECT_EQ(log.Lines[0], std::string("A@") + c.time + " beat=0 bpmc=0") << c.ms;
    }
}

TEST(EmitStepRecord, TokensAreWrittenUnchanged) {
    ArrowTokens tokens;
    tokens.UpLeft = "";
    tokens.UpRight = "\xC4";
    const struct {
        const char* ch;
        const char* record;
    } cases[] = {{"7", " 500\n"}, {"5", "  500\n"}, {"E", "  500\n"}, {"9", "\xC4 500\n"}};
    for (const auto& c : cases) {
        ConverterState state;
        state.CurrentChar = c.ch;
        state.CurrentMs = 500;
        VectorLog log;
        EmitStepRecord(state, tokens, log);
        EXPECT_EQ(state.OutputBuffer, c.record) << c.ch;
    }
}

TEST(EmitStepRecord, LogLineWritesBeatUnrounded) {
    ConverterState state;
    state.CurrentChar = "8";
    state.CurrentMs = 1425.7;
    state.Beat = 2.25;
    state.OutputBuffer = "X 0\n";
    VectorLog log;
    log.Lines = {"earlier"};
    EmitStepRecord(state, ArrowTokens{}, log);
    EXPECT_EQ(state.OutputBuffer, "X 0\nY 1425\n");
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"earlier", "Y@1425 beat=2.25 bpmc=9"}));

    ConverterState drift;
    drift.CurrentChar = "8";
    drift.Beat = 1.0 / 6.0;
    VectorLog commaLog;
    EmitStepRecord(drift, ArrowTokens{}, commaLog, ",");
    EXPECT_EQ(commaLog.Lines,
              (std::vector<std::string>{"Y@0 beat=0,166666666666667 bpmc=0,666666666666667"}));
}

// A quiet run's log drops its lines; the records must not be dropped with them.
class DroppingLog final : public ProgressLog {
public:
    void Clear() override {}
    void Append(const std::string&) override { ++appended; }
    bool KeepsLines() const override { return false; }
    int appended = 0;
};

TEST(EmitStepRecord, WritesTheRecordForALogThatKeepsNoLines) {
    ConverterState state;
    state.CurrentChar = "7";
    state.CurrentMs = -50.5;
    DroppingLog log;
    EmitStepRecord(state, ArrowTokens{}, log);
    EXPECT_EQ(state.OutputBuffer, "A -51\n");
    EXPECT_EQ(log.appended, 0);
}

}  // namespace
}  // namespace stepquill
