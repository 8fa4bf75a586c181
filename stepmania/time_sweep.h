#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "timing_data.h"

namespace stepquill::stepmania {

// Why a row gives no press although it holds notes.
enum class RowJudging { Judged, Warped, Faked };

// A timing segment as the sweep passes it, for the log.
struct PassedSegment {
    enum class Kind { Bpm, Stop, Delay, Warp } What;
    std::int64_t Row;
    double Value;           // BPM or seconds
    std::int64_t EndRow;    // a warp's end
};

// The time of rows in ascending order, as the game computes the time of a
// row: from beat 0 at -offset, each stretch of rows at its tempo; a delay
// counts before the notes on its row, a stop after them; a tempo change on
// a row does not change that row's time; inside a warp time stands still
// but stops and delays still add theirs. Times are milliseconds, in doubles,
// one rounding per operation: a stretch of Δ rows adds (Δ × 1250) / bpm.
//
// Each time is computed from the last segment passed, never from the last
// row asked for: the game computes every row from the start, and a stretch
// split in two would round differently.
class TimeSweep {
public:
    // `timing` is settled and tidied, and outlives the sweep. Beat 0 lies at
    // -offset, moved by `shiftMs`.
    explicit TimeSweep(const TimingData& timing, double shiftMs = 0);

    // The time of `row`, which is no lower than the rows asked for before.
    // Inline for the rows before the next segment, nearly every row.
    double TimeAt(std::int64_t row) {
        if (row < nextEvent_) return warping_ ? ms_ : ms_ + (static_cast<double>(row - last_) * 1250) / bpm_;
        return TimeAtOrPast(row);
    }
    // Whether the game judges the notes of `row`, asked in ascending order:
    // not on a warp's rows (its first included, its end not) unless a stop
    // or delay stands on the row, nor in a fake range. Only the warp or fake
    // range that starts last at or before the row counts.
    RowJudging Judging(std::int64_t row) { return judgesEveryRow_ ? RowJudging::Judged : JudgingOnRanges(row); }

    // Told of every segment the sweep passes, in order.
    std::function<void(const PassedSegment&)> OnSegment;

private:
    // TimeAt where the row reaches the next segment.
    double TimeAtOrPast(std::int64_t row);
    RowJudging JudgingOnRanges(std::int64_t row);

    template <typename Segment>
    static bool OnRow(const std::vector<Segment>& segments, std::size_t& index, std::int64_t row);
    static bool Covers(const std::vector<RangeSegment>& ranges, std::size_t& index, std::int64_t row);

    // The lowest row at which any segment's event can fall, so that a row
    // below it is answered without looking at the lists.
    void FindNextEvent();

    const TimingData& timing_;
    std::int64_t nextEvent_ = 0;
    // Without warps and fake ranges every row is judged.
    const bool judgesEveryRow_;
    double ms_;
    std::int64_t last_ = 0;
    double bpm_;
    bool warping_ = false;
    std::int64_t warpEnd_ = 0;
    std::size_t bpmIndex_ = 0;
    std::size_t delayIndex_ = 0;
    std::size_t stopIndex_ = 0;
    std::size_t warpIndex_ = 0;
    // The judging's own places in the lists.
    std::size_t judgedWarp_ = 0;
    std::size_t judgedFake_ = 0;
    std::size_t judgedStop_ = 0;
    std::size_t judgedDelay_ = 0;
};

}  // namespace stepquill::stepmania
