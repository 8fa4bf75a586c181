#include "record_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace stepquill {
namespace {

// Writes presses one after another, as a walk does, and returns what each
// became and the records gathered.
struct WrittenPresses {
    std::vector<RecordOutcome> Outcomes;
    std::string Records;
};

WrittenPresses WritePresses(const std::vector<double>& times, std::string_view token = "Y") {
    std::string buffer;
    RecordWriter writer(nullptr, buffer, token.size());
    WrittenPresses written;
    char* next = writer.Next();
    double lastMs = writer.LastMs();
    for (double ms : times) written.Outcomes.push_back(writer.Write(next, lastMs, token, ms));
    writer.Keep(next, lastMs);
    writer.Finish();
    written.Records = buffer;
    return written;
}

TEST(RecordWriter, WritesPressesTakenDownAndOnlyInTimeOrder) {
    using enum RecordOutcome;
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        std::vector<double> Times;
        std::vector<RecordOutcome> Outcomes;
        std::string Records;
    };
    const std::vector<Case> cases = {
        {{0, 250.999, 251}, {Written, Written, Written}, "Y 0\nY 250\nY 251\n"},
        {{-120, -0.5}, {Written, Written}, "Y -120\nY -1\n"},
        // A press timed before the last record was jumped over by a warp.
        {{500, 499.9, 500}, {Written, WarpedOver, Written}, "Y 500\nY 500\n"},
        // Taken down, a time must lie strictly between -1E+15 and 1E+15.
        {{999999999999999.9, 1e15}, {Written, BeyondLimit}, "Y 999999999999999\n"},
        {{-999999999999999.0, -999999999999999.5}, {Written, WarpedOver}, "Y -999999999999999\n"},
        {{-1e15 + 0.5}, {BeyondLimit}, ""},
        {{kInf}, {BeyondLimit}, ""},
        {{std::nan("")}, {BeyondLimit}, ""},
    };
    for (const Case& c : cases) {
        const WrittenPresses written = WritePresses(c.Times);
        EXPECT_EQ(written.Outcomes, c.Outcomes) << c.Records;
        EXPECT_EQ(written.Records, c.Records);
    }
    EXPECT_EQ(WritePresses({1503.2}, "LR").Records, "LR 1503\n");
}

class BlockSink final : public RecordSink {
public:
    explicit BlockSink(std::size_t failAfter) : failAfter_(failAfter) {}
    std::size_t BlockBytes() const override { return 8; }
    bool Take(std::string_view records, std::string& reason) override {
        if (Blocks.size() == failAfter_) {
            reason = "cannot write the output file (No space left on device)";
            return false;
        }
        Blocks.emplace_back(records);
        return true;
    }
    std::vector<std::string> Blocks;

private:
    std::size_t failAfter_;
};

TEST(RecordWriter, HandsFullBlocksToTheSinkAndKeepsTheLastForTheRun) {
    std::string buffer;
    BlockSink sink(2);
    RecordWriter writer(&sink, buffer, 1);
    char* next = writer.Next();
    double lastMs = writer.LastMs();
    std::string reason;
    std::vector<bool> spilled;
    for (double ms : {100, 200, 300, 400, 500, 600, 700}) {
        ASSERT_EQ(writer.Write(next, lastMs, "A", ms), RecordOutcome::Written);
        writer.Keep(next, lastMs);
        if (writer.Full(next)) {
            spilled.push_back(writer.Spill(reason));
            next = writer.Next();
        }
    }
    writer.Finish();
    EXPECT_EQ(sink.Blocks, (std::vector<std::string>{"A 100\nA 200\n", "A 300\nA 400\n"}));
    EXPECT_EQ(spilled, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(reason, "cannot write the output file (No space left on device)");
    EXPECT_EQ(buffer, "A 700\n");
}

}  // namespace
}  // namespace stepquill
