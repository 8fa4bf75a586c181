#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "messages.h"
#include "record_sink.h"
#include "step_record.h"
#include "whole_number.h"

namespace stepquill {

// What became of a press handed to the record writer.
enum class RecordOutcome {
    Written,
    // Timed before the last record: a warp jumped back over it, so the
    // player never meets it and it gets no record.
    WarpedOver,
    // From 1E+15 ms on a time would be written in exponent form (or as
    // "Infinity"), not as the whole milliseconds every record promises.
    BeyondLimit,
};

// The timing file's records as a walk makes them, whatever the chart's
// format: the time taken down to whole milliseconds, only presses in time
// order, gathered in a block of the writer's own that is handed to the sink
// (or to the run's OutputBuffer) as it fills.
//
// The walks call Write for nearly every character they read, so it is
// inline and takes the two values that change with every record, the end of
// the records and the last record's time, from the caller: a walk keeps them
// in locals, which the compiler can hold in registers, and hands them back
// with Keep before anything out of line runs. Records are written through a
// char pointer, which may point at any value in memory as far as the
// compiler knows, so values in members would be stored and read again around
// every record.
class RecordWriter {
public:
    // `longestToken` bounds the room a record needs; without a sink the
    // records are gathered in `outputBuffer` a small block at a time.
    RecordWriter(RecordSink* sink, std::string& outputBuffer, std::size_t longestToken);

    char* Next() const { return next_; }
    double LastMs() const { return lastMs_; }
    void Keep(char* next, double lastMs) {
        next_ = next;
        lastMs_ = lastMs;
    }

    // Without kText the press is judged as a record would be, but nothing
    // is written and `next` stays.
    template <bool kText = true>
    [[gnu::always_inline]] RecordOutcome Write(char*& next, double& lastMs, std::string_view token, double ms) {
        // The first record is below no other: lastMs starts at -inf.
        if (ms < lastMs) return RecordOutcome::WarpedOver;
        // The time taken down must lie strictly between -1E+15 and 1E+15.
        if (!(ms < kLimitMs && ms >= 1 - kLimitMs)) return RecordOutcome::BeyondLimit;
        if constexpr (kText) next = WriteRecord(next, token, WholeMsBelow(ms), numbers_);
        lastMs = ms;
        return RecordOutcome::Written;
    }

    // The time of the record that starts at `record`, with a token of
    // `tokenSize` bytes, and ends at `next`, as written.
    static std::string_view TimeText(const char* record, std::size_t tokenSize, const char* next) {
        const char* const time = record + tokenSize + 1;
        return {time, static_cast<std::size_t>(next - 1 - time)};
    }

    bool Full(const char* next) const { return next >= full_; }
    // Hands the block on to the sink; false, with the reason, when the sink
    // could not keep it. Without a sink the block goes to OutputBuffer.
    bool Spill(std::string& reason);
    // The records not yet handed on go to OutputBuffer, where the run hands
    // them to the timing file as its last block.
    void Finish();

    // A time taken down to a whole number, never to the nearest: floor for
    // a time whose magnitude is below 1E+15, where every double converts to
    // a whole number exactly, without the call that std::floor costs here.
    static std::int64_t WholeMsBelow(double ms) {
        const auto whole = static_cast<std::int64_t>(ms);  // toward zero
        return static_cast<double>(whole) > ms ? whole - 1 : whole;
    }

private:
    static constexpr double kLimitMs = 1e15;

    RecordSink* sink_;
    std::string& outputBuffer_;
    // The records not yet handed on, next_ the end of them; a record begun
    // before full_ always fits.
    std::unique_ptr<char[]> block_;
    char* next_ = nullptr;
    char* full_ = nullptr;
    double lastMs_;
    WholeNumberWriter numbers_;
};

}  // namespace stepquill
