#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace stepquill::stepmania {

// The segments that place a chart's rows in time, each list sorted by row
// with at most one segment per row.
struct BpmSegment {
    std::int64_t Row;
    double Bpm;
};
struct PauseSegment {  // a stop or a delay
    std::int64_t Row;
    double Seconds;
};
struct RangeSegment {  // a warp or a fake range
    std::int64_t Row;
    std::int64_t Rows;
};

struct TimingData {
    double OffsetSeconds = 0;  // beat 0 lies at -OffsetSeconds
    std::vector<BpmSegment> Bpms;
    std::vector<PauseSegment> Stops;
    std::vector<PauseSegment> Delays;
    std::vector<RangeSegment> Warps;
    std::vector<RangeSegment> Fakes;
    // Segments that never move a time (speeds, scrolls, tick counts,
    // combos, labels, time signatures) but make a chart's timing its own.
    bool HasOtherSegments = false;

    bool Empty() const {
        return Bpms.empty() && Stops.empty() && Delays.empty() && Warps.empty() && Fakes.empty() &&
               !HasOtherSegments;
    }
};

// The row of a beat, to the nearest whole row, ties to even; beats too far
// for any chart are held at a row no chart reaches.
std::int64_t RowOfBeat(double beat);

// Sorts each list by row, a later segment at a row replacing an earlier
// one, as the game adds them one by one; warps and fake ranges of no rows
// are dropped after removing what stood at their row.
void SettleSegments(TimingData& timing);
// No tempo at all gives 60 BPM; the first tempo holds from row 0.
void TidyTempos(TimingData& timing);

// The .sm tempo and stop lists, as (beat, value) pairs in file order with
// the zero values dropped. Negative tempos and stops, and tempos above
// 9999999, become warps, as the game makes them.
struct BeatValue {
    double Beat;
    double Value;
};
void AddSmTemposAndStops(std::vector<BeatValue> bpms, std::vector<BeatValue> stops, TimingData& timing);

// The lists both formats write the same way, added to `timing`.
void AddDelays(std::string_view list, TimingData& timing);
void AddFakes(std::string_view list, TimingData& timing);
// The .ssc lists: tempos and stops at beats from 0 on with positive values;
// warps as lengths, or as end beats in files before version 0.7.
void AddSscBpms(std::string_view list, TimingData& timing);
void AddSscStops(std::string_view list, TimingData& timing);
void AddSscWarps(std::string_view list, bool endBeats, TimingData& timing);
// Whether a list that moves no time holds a valid entry, as the game reads
// each of those tags.
bool HasValidEntry(std::string_view tag, std::string_view list);

}  // namespace stepquill::stepmania
