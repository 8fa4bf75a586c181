#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "hold_ends.h"
#include "note_rows.h"

namespace stepquill::stepmania {

// A chart's bytes this walk may hold back, waiting for hold heads' tails.
inline constexpr std::size_t kHeldBackBytes = 1 << 20;

// Hands a chart's notes to `walk.Note(row, panel, kind, holdEnded)` in file
// order, each hold or roll head with whether its tail comes, in one reading
// of the notes: the notes from a head whose fate is still open up to the
// note that settles it are held back, a few rows a panel in real charts.
//
// Memory stays bounded whatever the chart: once more than `limitBytes`
// would be held back, `readAhead(ended)` reads the chart's notes again for
// the fate of every head (ended[n] for the nth head, false where it had no
// tail), and nothing is held back from then on. A head whose tail never
// comes costs a second reading, never memory.
template <typename Walk>
class HeldBackNotes {
public:
    using ReadAhead = std::function<bool(std::vector<bool>& ended)>;

    HeldBackNotes(Walk& walk, std::size_t limitBytes, ReadAhead readAhead)
        : walk_(walk), holds_(*this), limit_(limitBytes / sizeof(Held)), readAhead_(std::move(readAhead)) {}

    void Note(std::int64_t row, int panel, NoteKind kind) {
        if (allKnown_) {
            PassOn({row, static_cast<std::uint8_t>(panel), kind});
            return;
        }
        const bool head = IsHead(kind);
        // Most notes come with nothing held back before them. With nothing
        // held, no head is open, and only a head can be settled: the hold
        // ends need not hear of any other note.
        if (held_.empty() && !head) {
            walk_.Note(row, panel, kind, false);
            return;
        }
        holds_.Note(row, panel, kind);
        held_.push_back({row, static_cast<std::uint8_t>(panel), kind});
        if (head) fates_.push_back(kUnsettled);
        Release();
        if (held_.size() > limit_) ReadEveryFate();
    }

    // After the last note: every head is settled by now.
    void Finish() {
        if (allKnown_) return;
        holds_.Finish();
        Release();
    }

    // Whether the second reading of the notes failed; the notes after it
    // were dropped.
    bool Failed() const { return failed_; }

    // Told by the hold ends as each head is settled.
    void Fate(std::uint64_t head, bool ended) {
        fates_[static_cast<std::size_t>(head - firstUnreleased_)] = ended ? kEnded : kNoTail;
    }

private:
    struct Held {
        std::int64_t Row;
        std::uint8_t Panel;
        NoteKind Kind;
    };
    static constexpr std::int8_t kUnsettled = -1;
    static constexpr std::int8_t kNoTail = 0;
    static constexpr std::int8_t kEnded = 1;

    // Hands on the held notes up to the first head still unsettled.
    void Release() {
        while (!held_.empty()) {
            const Held& note = held_.front();
            bool ended = false;
            if (IsHead(note.Kind)) {
                if (fates_.front() == kUnsettled) return;
                ended = fates_.front() == kEnded;
                fates_.pop_front();
                ++firstUnreleased_;
            }
            walk_.Note(note.Row, note.Panel, note.Kind, ended);
            held_.pop_front();
        }
    }

    void ReadEveryFate() {
        allKnown_ = true;
        nextHead_ = firstUnreleased_;
        failed_ = !readAhead_(ended_);
        for (const Held& note : held_) PassOn(note);
        held_.clear();
        fates_.clear();
    }

    void PassOn(const Held& note) {
        if (failed_) return;
        bool ended = false;
        if (IsHead(note.Kind)) {
            ended = nextHead_ < ended_.size() && ended_[static_cast<std::size_t>(nextHead_)];
            ++nextHead_;
        }
        walk_.Note(note.Row, note.Panel, note.Kind, ended);
    }

    Walk& walk_;
    HoldEnds<HeldBackNotes> holds_;
    std::size_t limit_;
    ReadAhead readAhead_;
    // The notes held back, and the fate of each head among them in order;
    // the first of those is head number firstUnreleased_.
    std::deque<Held> held_;
    std::deque<std::int8_t> fates_;
    std::uint64_t firstUnreleased_ = 0;
    // After the second reading: every head's fate, and the next head's number.
    bool allKnown_ = false;
    bool failed_ = false;
    std::vector<bool> ended_;
    std::uint64_t nextHead_ = 0;
};

}  // namespace stepquill::stepmania
