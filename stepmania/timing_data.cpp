#include "timing_data.h"

#include <algorithm>
#include <cmath>

#include "simfile_text.h"

namespace stepquill::stepmania {

namespace {

// Tempos above this make a warp in .sm files.
constexpr double kFastestBpm = 9999999;
// Well beyond any row a chart can hold, and far from overflowing.
constexpr double kFarthestRow = 4e18;

template <typename Segment>
void Settle(std::vector<Segment>& segments) {
    std::stable_sort(segments.begin(), segments.end(),
                     [](const Segment& a, const Segment& b) { return a.Row < b.Row; });
    // The last of each row stands.
    std::vector<Segment> settled;
    settled.reserve(segments.size());
    for (const Segment& segment : segments) {
        if (!settled.empty() && settled.back().Row == segment.Row)
            settled.back() = segment;
        else
            settled.push_back(segment);
    }
    segments.swap(settled);
}

// A warp or fake range of no rows covers nothing but removes what stood at
// its row; it is kept only where it came first of its kind. Kept, it still
// counts as the range that starts last at its row, so it ends the judging
// of an earlier, longer range from there on.
void SettleRanges(std::vector<RangeSegment>& ranges) {
    if (ranges.empty()) return;
    // Marked, the first stays through the settling unless a later range at
    // its row takes its place.
    constexpr std::int64_t kKeptEmpty = -1;
    if (ranges.front().Rows == 0) ranges.front().Rows = kKeptEmpty;
    Settle(ranges);
    std::erase_if(ranges, [](const RangeSegment& range) { return range.Rows == 0; });
    for (RangeSegment& range : ranges)
        if (range.Rows == kKeptEmpty) range.Rows = 0;
}

std::int64_t RowsOfBeats(double beats) { return RowOfBeat(beats); }

}  // namespace

std::int64_t RowOfBeat(double beat) {
    const double row = std::nearbyint(beat * 48);
    if (!(row < kFarthestRow)) return static_cast<std::int64_t>(kFarthestRow);
    if (!(row > -kFarthestRow)) return static_cast<std::int64_t>(-kFarthestRow);
    return static_cast<std::int64_t>(row);
}

void SettleSegments(TimingData& timing) {
    Settle(timing.Bpms);
    Settle(timing.Stops);
    Settle(timing.Delays);
    SettleRanges(timing.Warps);
    SettleRanges(timing.Fakes);
}

void TidyTempos(TimingData& timing) {
    if (timing.Bpms.empty()) timing.Bpms.push_back({0, 60});
    timing.Bpms.front().Row = 0;
}

void AddSmTemposAndStops(std::vector<BeatValue> bpms, std::vector<BeatValue> stops, TimingData& timing) {
    auto byBeat = [](const BeatValue& a, const BeatValue& b) { return a.Beat < b.Beat; };
    std::stable_sort(bpms.begin(), bpms.end(), byBeat);
    std::stable_sort(stops.begin(), stops.end(), byBeat);

    std::size_t nextStop = 0;
    for (; nextStop < stops.size() && stops[nextStop].Beat < 0; ++nextStop)
        timing.OffsetSeconds = timing.OffsetSeconds - stops[nextStop].Value;

    double bpm = 0;
    std::size_t nextBpm = 0;
    for (; nextBpm < bpms.size() && bpms[nextBpm].Beat <= 0; ++nextBpm) bpm = bpms[nextBpm].Value;
    if (bpm == 0) {
        // No tempo from beat 0: the first one listed holds from there, and
        // still counts at its own beat.
        bpm = nextBpm < bpms.size() ? bpms[nextBpm].Value : 60;
    }
    if (bpm > 0 && bpm <= kFastestBpm) timing.Bpms.push_back({0, bpm});

    double previous = 0;
    double warpStart = -1;  // none
    double bpmBeforeWarp = 0;
    double owedSeconds = 0;
    auto addWarp = [&](double end) {
        timing.Warps.push_back({RowOfBeat(warpStart), RowsOfBeats(end - warpStart)});
    };
    while (nextBpm < bpms.size() || nextStop < stops.size()) {
        // A tempo change before a stop on the same beat.
        const bool isBpm =
            nextStop == stops.size() || (nextBpm < bpms.size() && bpms[nextBpm].Beat <= stops[nextStop].Beat);
        const BeatValue change = isBpm ? bpms[nextBpm++] : stops[nextStop++];
        const double beat = change.Beat;
        const double value = change.Value;
        if (bpm <= kFastestBpm) {
            owedSeconds = owedSeconds + ((beat - previous) * 60) / bpm;
            if (warpStart >= 0 && bpm > 0 && owedSeconds > 0) {
                addWarp(beat - (owedSeconds * bpm) / 60);
                if (bpm != bpmBeforeWarp) timing.Bpms.push_back({RowOfBeat(warpStart), bpm});
                warpStart = -1;
            }
        }
        previous = beat;
        if (isBpm) {
            if (warpStart < 0 && (value < 0 || value > kFastestBpm)) {
                warpStart = beat;
                bpmBeforeWarp = bpm;
                owedSeconds = 0;
            } else if (warpStart < 0) {
                timing.Bpms.push_back({RowOfBeat(beat), value});
            }
            bpm = value;
        } else if (warpStart < 0 && value < 0) {
            warpStart = beat;
            bpmBeforeWarp = bpm;
            owedSeconds = value;
        } else if (warpStart < 0) {
            timing.Stops.push_back({RowOfBeat(beat), value});
        } else {
            owedSeconds = owedSeconds + value;
            if (value > 0 && owedSeconds > 0) {
                addWarp(beat);
                timing.Stops.push_back({RowOfBeat(beat), owedSeconds});
                if (bpm < 0 || bpm > kFastestBpm) {
                    warpStart = beat;
                    owedSeconds = 0;
                } else {
                    if (bpm != bpmBeforeWarp) timing.Bpms.push_back({RowOfBeat(warpStart), bpm});
                    warpStart = -1;
                }
            }
        }
    }
    if (warpStart >= 0) {
        const double end = bpm < 0 || bpm > kFastestBpm ? 99999999 : previous - (owedSeconds * bpm) / 60;
        addWarp(end);
        if (bpm != bpmBeforeWarp) timing.Bpms.push_back({RowOfBeat(warpStart), bpm});
    }
}

void AddDelays(std::string_view list, TimingData& timing) {
    ForEachListEntry(list, [&](const std::vector<std::string_view>& parts) {
        if (parts.size() != 2) return;
        const double seconds = ReadNumber(parts[1]);
        if (seconds > 0) timing.Delays.push_back({RowOfBeat(ReadBeat(parts[0])), seconds});
    });
}

void AddFakes(std::string_view list, TimingData& timing) {
    ForEachListEntry(list, [&](const std::vector<std::string_view>& parts) {
        if (parts.size() != 2) return;
        const double length = ReadNumber(parts[1]);
        if (length > 0) timing.Fakes.push_back({RowOfBeat(ReadBeat(parts[0])), RowsOfBeats(length)});
    });
}

void AddSscBpms(std::string_view list, TimingData& timing) {
    ForEachListEntry(list, [&](const std::vector<std::string_view>& parts) {
        if (parts.size() != 2) return;
        const double beat = ReadNumber(parts[0]);
        const double bpm = ReadNumber(parts[1]);
        if (beat >= 0 && bpm > 0) timing.Bpms.push_back({RowOfBeat(beat), bpm});
    });
}

void AddSscStops(std::string_view list, TimingData& timing) {
    ForEachListEntry(list, [&](const std::vector<std::string_view>& parts) {
        if (parts.size() != 2) return;
        const double beat = ReadNumber(parts[0]);
        const double seconds = ReadNumber(parts[1]);
        if (beat >= 0 && seconds > 0) timing.Stops.push_back({RowOfBeat(beat), seconds});
    });
}

void AddSscWarps(std::string_view list, bool endBeats, TimingData& timing) {
    ForEachListEntry(list, [&](const std::vector<std::string_view>& parts) {
        if (parts.size() != 2) return;
        const double beat = ReadNumber(parts[0]);
        const double value = ReadNumber(parts[1]);
        if (endBeats && value > beat)
            timing.Warps.push_back({RowOfBeat(beat), RowsOfBeats(value - beat)});
        else if (value > 0)
            timing.Warps.push_back({RowOfBeat(beat), RowsOfBeats(value)});
    });
}

bool HasValidEntry(std::string_view tag, std::string_view list) {
    bool valid = false;
    ForEachListEntry(list, [&](const std::vector<std::string_view>& parts) {
        if (valid) return;
        const std::size_t n = parts.size();
        auto number = [&](std::size_t i) { return ReadNumber(parts[i]); };
        if (EqualsIgnoringCase(tag, "TIMESIGNATURES"))
            valid = n == 3 && ReadBeat(parts[0]) >= 0 && number(1) >= 1 && number(2) >= 1;
        else if (EqualsIgnoringCase(tag, "TICKCOUNTS"))
            valid = n == 2;
        else if (EqualsIgnoringCase(tag, "COMBOS"))
            valid = n >= 2;
        else if (EqualsIgnoringCase(tag, "SPEEDS"))
            valid = n >= 3 && ReadBeat(parts[0]) >= 0 && number(2) >= 0;
        else if (EqualsIgnoringCase(tag, "SCROLLS"))
            valid = n >= 2 && number(0) >= 0;
        else if (EqualsIgnoringCase(tag, "LABELS"))
            valid = n == 2 && number(0) >= 0;
    });
    return valid;
}

}  // namespace stepquill::stepmania
