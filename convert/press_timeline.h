#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "arrow_tokens.h"
#include "note_event.h"

namespace stepquill {

// The panels a device presses, in the order of their bits in a timing file
// for devices: left, down, up, right, then the six-panel C and D.
inline constexpr int kDevicePanels = 6;

// How long a device holds a press, in milliseconds.
struct PressLengths {
    double TapMs = 40;    // a tap, at most half the way to the next press
    double RollMs = 100;  // between the taps of a roll
};

// A moment at which a device presses or lets go of a panel. Times are whole
// microseconds from the start of the music: a press's time taken down to
// whole milliseconds is its timing file record's time.
struct PanelChange {
    std::int64_t TimeUs = 0;
    int Panel = 0;  // 0 left, 1 down, 2 up, 3 right, 4 C, 5 D
    bool Press = false;
};

// Takes the changes of a part, in time order, many at a time: a part has
// a few for every note, and a call for each would cost more than writing it.
class PanelChangeSink {
public:
    virtual ~PanelChangeSink() = default;
    virtual void Changes(std::span<const PanelChange> changes) = 0;
};

// Turns a part's notes into the moments a device presses and lets go of
// each panel:
// - a tap is let go TapMs after its press, but never later than halfway
//   to the next press on its panel;
// - a hold is let go at its tail, or, when the next press on its panel
//   follows the tail by less than TapMs, half TapMs before that press if
//   that is sooner;
// - a roll is tapped again every RollMs until its tail, each tap let go as
//   a tap is (at most half RollMs), the last let go as a hold is;
// - a lift is pressed TapMs before its time, but after the panel's last
//   release (halfway to the lift when that comes later), and let go at its
//   time;
// - at one moment releases come before presses, and presses of a panel
//   that is down at that very moment are one press.
// A tap's release is known only once the notes up to twice TapMs after its
// press are, so the changes are handed on that much behind the notes: a few
// per panel are held, never the part.
class PressTimeline final : public NoteListener {
public:
    PressTimeline(const PressLengths& lengths, PanelChangeSink& sink);

    // The notes in time order, as the timing file's writer made them: each
    // press that got a record, the tails and the lifts. A hold or roll head
    // at the moment of its panel's press makes that press a hold or roll.
    void Note(const NoteEvent& note) override;
    // Lets go of every panel still down and hands on the rest.
    void Finish();

private:
    static constexpr double kNever = std::numeric_limits<double>::infinity();
    static constexpr double kMicrosecondMs = 0.001;
    enum class Mode { Up, Tap, Hold, Roll };
    struct PanelState {
        Mode Now = Mode::Up;
        double PressMs = 0;    // the last press
        double TailMs = 0;     // a hold's or roll's tail, once known
        bool TailKnown = false;
        double NextTapMs = 0;  // a roll's next tap
        double ReleaseMs = -1e300;  // the last release
        // The earliest time at which the panel would change by itself.
        double TimerMs = kNever;
    };
    // Releases come before presses at one moment, then the panels in
    // order: Key is the press bit above the panel.
    struct Queued {
        double Ms;
        int Key;
        bool operator<(const Queued& other) const { return Ms < other.Ms || (Ms == other.Ms && Key < other.Key); }
    };
    static constexpr int kPressKey = 8;

    void Advance(double ms) {
        if (ms > nextTimerMs_) AdvanceDue(ms);
    }
    void AdvanceDue(double ms);
    void AdvancePanel(int panel, double ms);
    void Let(int panel, const NoteEvent& note);
    // Most notes are presses, so this and what it calls are inline.
    void Press(int panel, double ms, Mode mode) {
        PanelState& state = panels_[static_cast<std::size_t>(panel)];
        if (state.Now != Mode::Up) {
            if (state.PressMs == ms) {
                // One press at one moment; a head named after its press (as
                // a DWI freeze arrow is) makes it a hold.
                if (mode != Mode::Tap) state.Now = mode;
                if (mode == Mode::Roll) state.NextTapMs = ms + lengths_.RollMs;
                Retime(state);
                return;
            }
            EndBeforePress(panel, ms);
        }
        Queue(ms, kPressKey | panel);
        state.Now = mode;
        state.PressMs = ms;
        state.TailKnown = false;
        state.NextTapMs = ms + lengths_.RollMs;
        Retime(state);
    }
    void Release(int panel, double ms) {
        PanelState& state = panels_[static_cast<std::size_t>(panel)];
        Queue(ms, panel);
        state.Now = Mode::Up;
        state.ReleaseMs = ms;
        state.TailKnown = false;
    }
    void EndBeforePress(int panel, double pressMs);
    void Flush(double beforeMs) {
        if (head_ != tail_ && head_->Ms < beforeMs) HandOn(beforeMs);
    }
    void HandOn(double beforeMs);
    void Queue(double ms, int key) {
        const Queued change{ms, key};
        if (tail_ == limit_) MakeRoom();
        if (tail_ == head_ || !(change < tail_[-1]))
            *tail_++ = change;
        else
            QueueEarlier(change);
    }
    void QueueEarlier(const Queued& change);
    // Room for one more at tail_: what is kept moves to the front, or to a
    // store twice as large once it fills half of this one.
    void MakeRoom();
    // The earliest time at which a panel would change by itself.
    double NextTimerMs(const PanelState& state) const {
        switch (state.Now) {
            case Mode::Up: return kNever;
            case Mode::Tap: return state.PressMs + 2 * lengths_.TapMs;
            case Mode::Hold: return state.TailKnown ? state.TailMs + lengths_.TapMs : kNever;
            case Mode::Roll: return state.NextTapMs + kMicrosecondMs;
        }
        return kNever;
    }
    // The panel's timer, after a change of its state, and the earliest of all.
    void Retime(PanelState& state) {
        state.TimerMs = NextTimerMs(state);
        nextTimerMs_ = std::min(nextTimerMs_, state.TimerMs);
    }

    PressLengths lengths_;
    PanelChangeSink& sink_;
    std::array<PanelState, kDevicePanels> panels_{};
    // The changes not yet handed on, from head_ to tail_ in time order;
    // changes mostly come in time order, so each goes in at or near the
    // back. Only a few per panel wait at once.
    std::size_t stored_ = 256;
    std::unique_ptr<Queued[]> store_ = std::make_unique<Queued[]>(stored_);
    Queued* head_ = store_.get();
    Queued* tail_ = store_.get();
    Queued* limit_ = store_.get() + stored_;
    // No panel changes by itself before this.
    double nextTimerMs_ = kNever;
    // Changes handed on, waiting to go to the sink together.
    std::array<PanelChange, 512> batch_{};
    std::size_t batched_ = 0;
};

// Each panel's index among kDevicePanels, from its bit.
int PanelIndex(unsigned panelBit);

// Whole microseconds of a time, taken down so that a press's microseconds
// taken down to whole milliseconds are the time its record gives.
std::int64_t WholeMicroseconds(double ms);

}  // namespace stepquill
