#include "time_sweep.h"

#include <algorithm>
#include <limits>

namespace stepquill::stepmania {

namespace {

constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();

std::int64_t Beyond(std::int64_t row, std::int64_t rows) {
    return rows > kNone - row ? kNone : row + rows;
}

}  // namespace

TimeSweep::TimeSweep(const TimingData& timing, double shiftMs)
    : timing_(timing),
      judgesEveryRow_(timing.Warps.empty() && timing.Fakes.empty()),
      ms_(-(timing.OffsetSeconds * 1000) + shiftMs),
      bpm_(timing.Bpms.front().Bpm) {
    FindNextEvent();
}

void TimeSweep::FindNextEvent() {
    nextEvent_ = kNone;
    if (warping_) nextEvent_ = std::min(nextEvent_, warpEnd_);
    if (bpmIndex_ < timing_.Bpms.size()) nextEvent_ = std::min(nextEvent_, timing_.Bpms[bpmIndex_].Row);
    if (delayIndex_ < timing_.Delays.size()) nextEvent_ = std::min(nextEvent_, timing_.Delays[delayIndex_].Row);
    if (stopIndex_ < timing_.Stops.size()) nextEvent_ = std::min(nextEvent_, timing_.Stops[stopIndex_].Row);
    if (warpIndex_ < timing_.Warps.size()) nextEvent_ = std::min(nextEvent_, timing_.Warps[warpIndex_].Row);
}

double TimeSweep::TimeAtOrPast(std::int64_t row) {
    // The events in the order the game takes them on one row: a warp's end,
    // a tempo change, a delay, the row itself, a stop, a warp's start.
    enum Event { WarpEnd, Tempo, Delay, Row, Stop, WarpStart };
    for (;;) {
        Event event = Row;
        std::int64_t at = row;
        auto consider = [&](Event candidate, std::int64_t candidateRow) {
            if (candidateRow < at || (candidateRow == at && candidate < event)) {
                event = candidate;
                at = candidateRow;
            }
        };
        if (warping_) consider(WarpEnd, warpEnd_);
        if (bpmIndex_ < timing_.Bpms.size()) consider(Tempo, timing_.Bpms[bpmIndex_].Row);
        if (delayIndex_ < timing_.Delays.size()) consider(Delay, timing_.Delays[delayIndex_].Row);
        if (stopIndex_ < timing_.Stops.size()) consider(Stop, timing_.Stops[stopIndex_].Row);
        if (warpIndex_ < timing_.Warps.size()) consider(WarpStart, timing_.Warps[warpIndex_].Row);

        const double stretch = warping_ ? 0 : (static_cast<double>(at - last_) * 1250) / bpm_;
        if (event == Row) {
            FindNextEvent();
            return warping_ ? ms_ : ms_ + stretch;
        }
        if (!warping_) ms_ = ms_ + stretch;
        last_ = at;
        switch (event) {
            case WarpEnd:
                warping_ = false;
                break;
            case Tempo:
                bpm_ = timing_.Bpms[bpmIndex_++].Bpm;
                if (OnSegment) OnSegment({PassedSegment::Kind::Bpm, at, bpm_, at});
                break;
            case Delay: {
                const double seconds = timing_.Delays[delayIndex_++].Seconds;
                ms_ = ms_ + seconds * 1000;
                if (OnSegment) OnSegment({PassedSegment::Kind::Delay, at, seconds, at});
                break;
            }
            case Stop: {
                const double seconds = timing_.Stops[stopIndex_++].Seconds;
                ms_ = ms_ + seconds * 1000;
                if (OnSegment) OnSegment({PassedSegment::Kind::Stop, at, seconds, at});
                break;
            }
            case WarpStart: {
                const RangeSegment& warp = timing_.Warps[warpIndex_++];
                warping_ = true;
                warpEnd_ = std::max(warpEnd_, Beyond(warp.Row, warp.Rows));
                if (OnSegment) OnSegment({PassedSegment::Kind::Warp, at, 0, Beyond(warp.Row, warp.Rows)});
                break;
            }
            case Row:
                break;
        }
    }
}

template <typename Segment>
bool TimeSweep::OnRow(const std::vector<Segment>& segments, std::size_t& index, std::int64_t row) {
    while (index < segments.size() && segments[index].Row < row) ++index;
    return index < segments.size() && segments[index].Row == row;
}

bool TimeSweep::Covers(const std::vector<RangeSegment>& ranges, std::size_t& index, std::int64_t row) {
    // index: the range that starts last at or before the row, once one does.
    while (index + 1 < ranges.size() && ranges[index + 1].Row <= row) ++index;
    if (index >= ranges.size() || ranges[index].Row > row) return false;
    return row < Beyond(ranges[index].Row, ranges[index].Rows);
}

RowJudging TimeSweep::JudgingOnRanges(std::int64_t row) {
    // Both lists move on to the row, whatever the first finds.
    const bool stopOnRow = OnRow(timing_.Stops, judgedStop_, row);
    const bool delayOnRow = OnRow(timing_.Delays, judgedDelay_, row);
    const bool stopOrDelay = stopOnRow || delayOnRow;
    if (Covers(timing_.Warps, judgedWarp_, row) && !stopOrDelay) return RowJudging::Warped;
    if (Covers(timing_.Fakes, judgedFake_, row)) return RowJudging::Faked;
    return RowJudging::Judged;
}

}  // namespace stepquill::stepmania
