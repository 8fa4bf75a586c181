#include "reading.h"

#include <cstring>

namespace stepquill {

namespace {

bool SameNumber(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

bool SameReading(const Reading& a, const Reading& b) {
    return a.Outcome.FailureReason == b.Outcome.FailureReason &&
           a.Info.TitleCaption == b.Info.TitleCaption && a.Info.TempoCaption == b.Info.TempoCaption &&
           a.Info.OffsetCaption == b.Info.OffsetCaption &&
           a.Info.Difficulties == b.Info.Difficulties && a.Info.ReachedEnd == b.Info.ReachedEnd &&
           a.State.Title == b.State.Title && a.State.Artist == b.State.Artist &&
           SameNumber(a.State.Bpm, b.State.Bpm) && SameNumber(a.State.OffsetMs, b.State.OffsetMs);
}

}  // namespace stepquill
