#pragma once

#include <cstdint>

#include "arrow_tokens.h"

namespace stepquill {

// A position in a part, in rows of 1/48 beat: a whole number for every note
// length either format writes.
inline constexpr std::int64_t kRowsPerBeat = 48;

// What a note is, as a reader hands it on.
enum class NoteKind : std::uint8_t {
    Tap,       // pressed and let go
    HoldHead,  // pressed until its tail
    RollHead,  // tapped again and again until its tail
    Tail,      // where a hold or roll is let go
    // A hold let go by an arrow that also presses another panel, which
    // tells of the press alone.
    TailInJump,
    HeadWithoutTail,  // a hold whose tail never comes: not pressed
    Lift,             // judged when the panel is let go
    Mine,             // to be avoided
    Keysound,         // a sound, not a note
    Fake,             // shown, never judged
    WarpedOver,       // on rows a warp passes over
};

// Whether a note of this kind is a press that the timing file records.
constexpr bool IsPress(NoteKind kind) {
    return kind == NoteKind::Tap || kind == NoteKind::HoldHead || kind == NoteKind::RollHead;
}

// One note, or several of one kind at one moment, of the part a run
// converts. Readers hand them on in time order.
struct NoteEvent {
    unsigned Panels = 0;
    NoteKind Kind = NoteKind::Tap;
    double Ms = 0;  // exact, before any rounding, the shift included
    std::int64_t Row = 0;
};

// Told of the notes a part's conversion makes its records from: every
// press that got a record, with its kind, and every tail and lift.
class NoteListener {
public:
    virtual ~NoteListener() = default;
    virtual void Note(const NoteEvent& note) = 0;
};

}  // namespace stepquill
