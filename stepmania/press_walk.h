#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "note_rows.h"
#include "note_writer.h"
#include "time_sweep.h"

namespace stepquill::stepmania {

// Hands a chart's notes, row by row, to the note writer at each row's time:
// a judged row's taps, and its hold and roll heads that have their tail, as
// one moment of presses; the rows that a warp or a fake range covers as
// notes passed over; then the mines, keysounds, lifts, fakes, tails and
// heads without their tail of the row, panel by panel.
class PressWalk {
public:
    // `shiftMs` moves every time, as an offset that much smaller would.
    PressWalk(const TimingData& timing, double shiftMs, NoteWriter& notes, ProgressLog& log,
              std::string_view decimalSeparator);

    // The notes in file order; `holdEnded` tells of a head whether its tail
    // comes.
    // Inline: it runs for every note of the chart.
    void Note(std::int64_t row, int panel, NoteKind kind, bool holdEnded) {
        if (row != row_) {
            FinishRow();
            row_ = row;
        }
        rowHasNotes_ = true;
        const unsigned bit = 1u << panel;
        if (kind == NoteKind::Tail) {
            tails_ |= bit;
            return;
        }
        Slot& slot = slots_[static_cast<std::size_t>(panel)];
        slot.Kind = kind;
        slot.HoldEnded = holdEnded && IsHead(kind);
        // The row's presses as they stand, so that the row's end need not
        // look at each panel; a later note on the panel replaces the one there.
        taps_ &= ~bit;
        holds_ &= ~bit;
        rolls_ &= ~bit;
        if (kind == NoteKind::Tap)
            taps_ |= bit;
        else if (slot.HoldEnded)
            (kind == NoteKind::HoldHead ? holds_ : rolls_) |= bit;
    }
    // The last row's notes.
    void Finish() { FinishRow(); }

private:
    struct Slot {
        NoteKind Kind = NoteKind::None;
        bool HoldEnded = false;
    };

    void FinishRow();
    void LogSegment(const PassedSegment& segment);

    TimeSweep sweep_;
    NoteWriter& notes_;
    ProgressLog& log_;
    std::string_view separator_;
    std::int64_t row_ = std::numeric_limits<std::int64_t>::min();
    std::array<Slot, kPanels> slots_{};
    unsigned tails_ = 0;
    // The panels of the row's taps, and of its hold and roll heads that
    // have their tail.
    unsigned taps_ = 0;
    unsigned holds_ = 0;
    unsigned rolls_ = 0;
    bool rowHasNotes_ = false;
};

}  // namespace stepquill::stepmania
