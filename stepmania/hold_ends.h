#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "note_rows.h"

namespace stepquill::stepmania {

// Which hold and roll heads of a chart have their tail, in the order the
// heads stand in the file. A head is a press only then: the game deletes a
// head left open, one with a tap, mine, lift or fake before its tail. A
// tail ends the hold whose head is the nearest note before its row on its
// panel, keysounds passed over; on any other note it does nothing.
//
// This needs the notes after a head, so a conversion reads the chart's notes
// once for this, then again for the presses: a bit per head is all it keeps.
class HoldEnds {
public:
    void Note(std::int64_t row, int panel, NoteKind kind) {
        Panel& here = panels_[static_cast<std::size_t>(panel)];
        if (row > here.Row) {
            if (here.AtRow.Kind != NoteKind::None && here.AtRow.Kind != NoteKind::Keysound) here.Before = here.AtRow;
            here.AtRow = {};
            here.Row = row;
        }
        if (kind == NoteKind::Tail) {
            // Only a head is ever open.
            if (here.Before.Open) {
                Ended[here.Before.Head] = true;
                here.Before.Open = false;
            }
            return;
        }
        // A later note on the same row and panel replaces the one there.
        const bool head = IsHead(kind);
        here.AtRow = {kind, head, Ended.size()};
        if (head) Ended.push_back(false);
    }

    // One entry per head, in file order: whether its tail ended it.
    std::vector<bool> Ended;

private:
    struct Slot {
        NoteKind Kind = NoteKind::None;
        bool Open = false;
        std::size_t Head = 0;
    };
    struct Panel {
        std::int64_t Row = std::numeric_limits<std::int64_t>::min();
        Slot AtRow;   // the note on the panel's latest row
        Slot Before;  // the nearest note before that row, keysounds passed over
    };
    std::array<Panel, kPanels> panels_;
};

}  // namespace stepquill::stepmania
