#include "reading.h"

#include <algorithm>
#include <cstring>

namespace stepquill {

namespace {

bool SameNumber(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool SameDifficulty(const Difficulty& a, const Difficulty& b) {
    return a.DisplayText == b.DisplayText && a.Name == b.Name && a.Rating == b.Rating;
}

}  // namespace

bool SameReading(const ChartReading& a, const ChartReading& b) {
    const ChartInfo& x = a.Info;
    const ChartInfo& y = b.Info;
    return a.StopReason == b.StopReason && x.Title == y.Title && x.Subtitle == y.Subtitle &&
           x.Artist == y.Artist && SameNumber(x.Bpm, y.Bpm) && SameNumber(x.OffsetMs, y.OffsetMs) &&
           std::equal(x.Difficulties.begin(), x.Difficulties.end(), y.Difficulties.begin(), y.Difficulties.end(),
                      SameDifficulty) &&
           x.HasTitle == y.HasTitle && x.HasTempo == y.HasTempo && x.HasOffset == y.HasOffset &&
           x.ReachedEnd == y.ReachedEnd;
}

}  // namespace stepquill
