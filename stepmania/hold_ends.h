#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "note_rows.h"

namespace stepquill::stepmania {

// Learns, as a chart's notes come in file order, which hold and roll heads
// have their tail. A head is a press only then: the game deletes a head left
// open, one with a tap, mine, lift or fake before its tail. A tail ends the
// hold whose head is the nearest note before its row on its panel,
// keysounds passed over; on any other note it does nothing.
//
// Heads are numbered from 0 in file order. Each head's fate is told to
// `fates.Fate(head, ended)` once, as soon as it is settled: when its tail
// comes, when a later note takes its place as the nearest note of its
// panel, when another note replaces it on its own row, or at Finish. So a
// walk needs to wait for a head no longer than its panel's next notes.
template <typename Fates>
class HoldEnds {
public:
    explicit HoldEnds(Fates& fates) : fates_(fates) {}

    void Note(std::int64_t row, int panel, NoteKind kind) {
        Panel& here = panels_[static_cast<std::size_t>(panel)];
        if (row > here.Row) {
            if (here.AtRow.Kind != NoteKind::None && here.AtRow.Kind != NoteKind::Keysound) {
                Settle(here.Before, false);
                here.Before = here.AtRow;
            }
            here.AtRow = {};
            here.Row = row;
        }
        if (kind == NoteKind::Tail) {
            Settle(here.Before, true);
            return;
        }
        // A later note on the same row and panel replaces the one there.
        Settle(here.AtRow, false);
        const bool head = IsHead(kind);
        here.AtRow = {kind, head, heads_};
        if (head) ++heads_;
    }

    // The end of the notes: every head still open has no tail.
    void Finish() {
        for (Panel& panel : panels_) {
            Settle(panel.Before, false);
            Settle(panel.AtRow, false);
        }
    }

    // How many heads have come so far; the last one's number is one less.
    std::uint64_t Heads() const { return heads_; }

private:
    struct Slot {
        NoteKind Kind = NoteKind::None;
        bool Open = false;
        std::uint64_t Head = 0;
    };
    struct Panel {
        std::int64_t Row = std::numeric_limits<std::int64_t>::min();
        Slot AtRow;   // the note on the panel's latest row
        Slot Before;  // the nearest note before that row, keysounds passed over
    };

    void Settle(Slot& slot, bool ended) {
        if (!slot.Open) return;
        slot.Open = false;
        fates_.Fate(slot.Head, ended);
    }

    Fates& fates_;
    std::array<Panel, kPanels> panels_;
    std::uint64_t heads_ = 0;
};

// Every head's fate, a bit each, for a walk that reads the notes again.
struct AllHoldEnds {
    void Fate(std::uint64_t head, bool ended) {
        if (Ended.size() <= head) Ended.resize(head + 1);
        Ended[head] = ended;
    }
    std::vector<bool> Ended;
};

}  // namespace stepquill::stepmania
