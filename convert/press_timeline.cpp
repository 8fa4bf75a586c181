#include "press_timeline.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "record_writer.h"

namespace stepquill {

int PanelIndex(unsigned panelBit) {
    switch (panelBit) {
        case kLeft: return 0;
        case kDown: return 1;
        case kUp: return 2;
        case kRight: return 3;
        case kPanelC: return 4;
        case kPanelD: return 5;
        default: return -1;
    }
}

std::int64_t WholeMicroseconds(double ms) {
    // The whole milliseconds exactly as a record takes them, then the
    // microseconds within that millisecond, which the subtraction gives
    // exactly. They are never negative, so a cast takes them down.
    const std::int64_t whole = RecordWriter::WholeMsBelow(ms);
    const double within = (ms - static_cast<double>(whole)) * 1000;
    return whole * 1000 + std::min<std::int64_t>(static_cast<std::int64_t>(within), 999);
}

PressTimeline::PressTimeline(const PressLengths& lengths, PanelChangeSink& sink) : lengths_(lengths), sink_(sink) {}

void PressTimeline::Note(const NoteEvent& note) {
    Advance(note.Ms);
    const unsigned panels = note.Panels & ((1u << kDevicePanels) - 1);
    if (IsPress(note.Kind)) {
        const Mode mode = note.Kind == NoteKind::HoldHead   ? Mode::Hold
                          : note.Kind == NoteKind::RollHead ? Mode::Roll
                                                            : Mode::Tap;
        for (unsigned bits = panels; bits != 0; bits &= bits - 1) Press(std::countr_zero(bits), note.Ms, mode);
    } else {
        for (unsigned bits = panels; bits != 0; bits &= bits - 1) Let(std::countr_zero(bits), note);
    }
    Flush(note.Ms - 2 * lengths_.TapMs);
}

// A note that presses nothing by itself: a tail or a lift.
void PressTimeline::Let(int panel, const NoteEvent& note) {
    PanelState& state = panels_[static_cast<std::size_t>(panel)];
    switch (note.Kind) {
        case NoteKind::Tail:
        case NoteKind::TailInJump:
            if ((state.Now == Mode::Hold || state.Now == Mode::Roll) && !state.TailKnown) {
                state.TailKnown = true;
                state.TailMs = note.Ms;
                // The roll's last tap is held to the tail.
                state.Now = Mode::Hold;
            }
            break;
        case NoteKind::Lift: {
            const double lift = note.Ms;
            EndBeforePress(panel, lift);
            const double early = lift - lengths_.TapMs;
            const double press = state.ReleaseMs >= early ? (state.ReleaseMs + lift) / 2 : early;
            Queue(press, kPressKey | panel);
            Release(panel, lift);
            break;
        }
        default: break;  // nothing to press
    }
    Retime(state);
}

void PressTimeline::Finish() {
    for (int panel = 0; panel < kDevicePanels; ++panel) {
        PanelState& state = panels_[static_cast<std::size_t>(panel)];
        switch (state.Now) {
            case Mode::Up: break;
            case Mode::Hold:
                if (state.TailKnown) {
                    Release(panel, state.TailMs);
                    break;
                }
                [[fallthrough]];  // a hold whose tail never came is let go as a tap
            case Mode::Tap:
            case Mode::Roll:
                Release(panel, state.PressMs + std::min(lengths_.TapMs, state.Now == Mode::Roll
                                                                            ? lengths_.RollMs / 2
                                                                            : lengths_.TapMs));
                break;
        }
    }
    Flush(kNever);
    if (batched_ != 0) sink_.Changes(std::span(batch_.data(), batched_));
    batched_ = 0;
}

// Only the panels whose timers ran out change.
void PressTimeline::AdvanceDue(double ms) {
    double next = kNever;
#pragma GCC unroll 6
    for (int panel = 0; panel < kDevicePanels; ++panel) {
        PanelState& state = panels_[static_cast<std::size_t>(panel)];
        if (state.TimerMs < ms) {
            // Most often a tap let go; its timer ran out, so no press came
            // soon enough to let it go sooner.
            if (state.Now == Mode::Tap) {
                Release(panel, state.PressMs + lengths_.TapMs);
                state.TimerMs = kNever;
            } else {
                AdvancePanel(panel, ms);
                state.TimerMs = NextTimerMs(state);
            }
        }
        next = std::min(next, state.TimerMs);
    }
    nextTimerMs_ = next;
}

// Everything a panel does by itself before `ms`: a tap let go, a hold let
// go at its tail once no press came soon after it, a roll tapped again.
void PressTimeline::AdvancePanel(int panel, double ms) {
    PanelState& state = panels_[static_cast<std::size_t>(panel)];
    switch (state.Now) {
        case Mode::Up: return;
        case Mode::Tap:
            // A press before twice the tap's length would let it go sooner.
            if (state.PressMs + 2 * lengths_.TapMs < ms) Release(panel, state.PressMs + lengths_.TapMs);
            return;
        case Mode::Hold:
            if (state.TailKnown && state.TailMs + lengths_.TapMs < ms) Release(panel, state.TailMs);
            return;
        case Mode::Roll:
            // A tap that would fall on the tail (within a microsecond, as
            // the sums of times round) is none.
            while (state.NextTapMs + kMicrosecondMs < ms) {
                const double tap = state.NextTapMs;
                Release(panel, state.PressMs + std::min(lengths_.TapMs, lengths_.RollMs / 2));
                Queue(tap, kPressKey | panel);
                state.Now = Mode::Roll;
                state.PressMs = tap;
                state.NextTapMs = tap + lengths_.RollMs;
            }
            return;
    }
}

// Lets go of a panel that is down before it is pressed again at `pressMs`.
void PressTimeline::EndBeforePress(int panel, double pressMs) {
    PanelState& state = panels_[static_cast<std::size_t>(panel)];
    if (state.Now == Mode::Up) return;
    double release = pressMs;
    if (state.Now == Mode::Tap) {
        release = std::min(state.PressMs + lengths_.TapMs, (state.PressMs + pressMs) / 2);
    } else if (state.TailKnown) {
        release = pressMs - state.TailMs < lengths_.TapMs ? std::min(state.TailMs, pressMs - lengths_.TapMs / 2)
                                                         : state.TailMs;
    } else {
        release = pressMs - std::min(lengths_.TapMs / 2, (pressMs - state.PressMs) / 2);
    }
    // Never before its own press, always before the next.
    if (!(release > state.PressMs && release < pressMs)) release = (state.PressMs + pressMs) / 2;
    Release(panel, release);
}


void PressTimeline::QueueEarlier(const Queued& change) {
    Queued* at = tail_ - 1;
    while (at > head_ && change < at[-1]) --at;
    std::copy_backward(at, tail_, tail_ + 1);
    *at = change;
    ++tail_;
}

void PressTimeline::MakeRoom() {
    const auto kept = static_cast<std::size_t>(tail_ - head_);
    if (kept * 2 > stored_) {
        stored_ *= 2;
        auto larger = std::make_unique<Queued[]>(stored_);
        std::copy(head_, tail_, larger.get());
        store_ = std::move(larger);
    } else {
        std::copy(head_, tail_, store_.get());
    }
    head_ = store_.get();
    tail_ = head_ + kept;
    limit_ = head_ + stored_;
}

void PressTimeline::HandOn(double beforeMs) {
    Queued* next = head_;
    const Queued* const end = tail_;
    std::size_t batched = batched_;
    for (; next != end && next->Ms < beforeMs; ++next) {
        batch_[batched++] = {WholeMicroseconds(next->Ms), next->Key & (kPressKey - 1), next->Key >= kPressKey};
        if (batched == batch_.size()) {
            sink_.Changes(batch_);
            batched = 0;
        }
    }
    batched_ = batched;
    head_ = next;
    // Nothing kept: the next change goes in at the front.
    if (head_ == tail_) head_ = tail_ = store_.get();
}

}  // namespace stepquill
