#include "step_walk.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "dwi_text.h"
#include "messages.h"
#include "step_characters.h"
#include "step_line_pieces.h"

namespace stepquill {

namespace {

// The beat is counted in rows of 1/48 beat, a whole number, so that the
// steps of every note length add up exactly and an entry's position is met
// on the very step that reaches it. A quarter beat is twelve rows.
constexpr double kRowsPerQuarterBeat = 12;

// A tempo-change or stop entry, "position=value", read once. Reading it at
// every check would give the same numbers.
struct TimingEntry {
    bool Empty = false;
    // The position taken to the nearest row; infinite positions stay
    // infinite, so +inf is never due and -inf always is.
    double Row = 0;
    bool HasValue = false;
    std::string ValueText;  // logged exactly as the chart writes it
    double Value = 0;
};

double RowOf(double quarterBeats) {
    return std::isfinite(quarterBeats) ? std::round(quarterBeats * kRowsPerQuarterBeat) : quarterBeats;
}

std::vector<TimingEntry> ReadEntries(const std::vector<std::string>& list) {
    std::vector<TimingEntry> entries;
    entries.reserve(list.size());
    for (const auto& text : list) {
        TimingEntry entry;
        entry.Empty = text.empty();
        std::size_t equals = text.find('=');
        entry.Row = RowOf(ParseLeadingNumber(std::string_view(text).substr(0, equals)));
        if (equals != std::string::npos) {
            entry.HasValue = true;
            std::size_t next = text.find('=', equals + 1);
            entry.ValueText = text.substr(equals + 1, next == std::string::npos ? next : next - equals - 1);
            entry.Value = ParseLeadingNumber(entry.ValueText);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

constexpr double kNever = std::numeric_limits<double>::infinity();

// The panels of every character, looked up once per arrow.
std::array<unsigned char, 256> PanelTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(PanelsOfStep(static_cast<char>(c)));
    return table;
}

// The fewest whole rows that are `row` or more: the most an int64_t holds for
// a row never reached (+inf, NaN), the least for -inf.
std::int64_t FirstRowsFrom(double row) {
    constexpr double kFarthest = 9e18;  // well inside the range of the rows
    if (!(row <= kFarthest)) return std::numeric_limits<std::int64_t>::max();
    if (row < -kFarthest) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::ceil(row));
}

// The characters that make a step, "0" to "9" and "A" to "D", in a table:
// nearly every character is asked.
constexpr std::array<bool, 256> kMakesStep = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'D');
    return table;
}();

bool MakesStep(char c) { return kMakesStep[static_cast<unsigned char>(c)]; }

bool IsChordArrow(char c) { return c != '0' && c != '5' && MakesStep(c); }

class Walker {
public:
    Walker(ConverterState& state, TimingLists& lists, NoteWriter& notes, ProgressLog& log)
        : state_(state), lists_(lists), log_(log), notes_(notes), bpmChanges_(ReadEntries(lists.BpmChanges)),
          freezes_(ReadEntries(lists.Freezes)), rows_(std::llround(state.Beat * kRowsPerBeat)),
          keepsLines_(notes.KeepsLines()), listened_(notes.Listened()), panelsOf_(PanelTable()) {}

    // True when the part ended on this line or the walk had to stop.
    bool WalkLine(std::string_view text) {
        return notes_.WritesText() ? WalkLineWriting<true>(text) : WalkLineWriting<false>(text);
    }

    const std::string& StopReason() const { return stop_; }

    void Stop(std::string reason) {
        stop_ = std::move(reason);
        stopped_ = true;
    }

    // Beat follows the rows only where it is read, the arrows' log lines and
    // the walk's end: a division at every step would cost more than the rest
    // of the step. rows / 48, exactly rounded, so that Beat × 4 is rows / 12.
    void SetBeat(std::int64_t rows) { state_.Beat = static_cast<double>(rows) / kRowsPerBeat; }

    // Hands on the records of the block.
    void Spill() {
        notes_.Spill();
        if (notes_.Stopped()) Stop(notes_.StopReason());
    }

    // CurrentChar is only read once the walk is over, so the walk keeps the
    // character under examination to itself until then.
    void Finish() {
        SetBeat(rows_);
        if (current_ >= 0) state_.CurrentChar.assign(1, static_cast<char>(current_));
        notes_.Finish();
    }

private:
    // kText: whether the records' text is written, or the presses only
    // judged, for a run that reads nothing but the notes.
    template <bool kText>
    bool WalkLineWriting(std::string_view text) {
        Running run = Take();
        run.rowStep = kRowsPerBeat / 2;
        for (std::size_t i = 0; i < text.size() && !run.stopped; ++i) {
            const char c = text[i];
            run.current = static_cast<unsigned char>(c);
            // Four characters in five are a rest ("0") or an arrow that makes
            // a step. One look at a table tells them from the others, ahead
            // of the switch, whose jump the processor foresees less well.
            if (MakesStep(c)) {
                if (c != '0') Arrow<kText>(run, c);
                Step(run);
                continue;
            }
            switch (c) {
                case '!': Hold(run, text, ++i); break;  // the character after it is never examined
                case '(': SetNoteLength(run, 4); break;
                case '[': SetNoteLength(run, 6); break;
                case '{': SetNoteLength(run, 16); break;
                case '`': SetNoteLength(run, 48); break;
                case ')': case ']': case '}': case '\'': SetNoteLength(run, 2); break;
                case '<': i = WalkChord<kText>(run, text, i + 1); break;
                case ';': Hand(run); return true;
                case ' ': case '\t': break;  // blanks only space out the measures
                default: Arrow<kText>(run, c);
            }
        }
        Hand(run);
        return stopped_;
    }

    // The values that change from character to character. WalkLine works on
    // a copy of them in a local variable, which the compiler can keep in
    // registers: the records are written through a char pointer, which for
    // all the compiler knows may point at any value in memory, so values in
    // the members or the state would be stored and read again around every
    // record. The members hold them between lines and while anything out of
    // line runs (see OutOfLine); Take and Hand copy them over.
    struct Running {
        double currentMs;  // state_.CurrentMs
        double stepMs;     // state_.StepMs
        std::int64_t rows;
        std::int64_t rowStep;
        std::int64_t dueRows;
        char* next;
        double lastRecordMs;
        unsigned held;
        int current;
        bool stopped;
    };

    [[gnu::always_inline]] Running Take() const {
        return {state_.CurrentMs,  state_.StepMs,      rows_,  rowStep_, dueRows_,
                notes_.Next(), notes_.LastMs(), held_, current_,  stopped_};
    }

    [[gnu::always_inline]] void Hand(const Running& run) {
        state_.CurrentMs = run.currentMs;
        state_.StepMs = run.stepMs;
        rows_ = run.rows;
        rowStep_ = run.rowStep;
        dueRows_ = run.dueRows;
        notes_.Keep(run.next, run.lastRecordMs);
        held_ = run.held;
        current_ = run.current;
        stopped_ = run.stopped;
    }

    // Calls `work`, which reads and writes the members, from inside WalkLine.
    // This and every function given `run` are always inlined: were `run`
    // passed to a call, it would have to live in memory.
    template <class Work>
    [[gnu::always_inline]] void OutOfLine(Running& run, Work work) {
        Hand(run);
        work();
        run = Take();
    }

    // A "<...>" group is one step holding several arrows, all at its time.
    // Returns the position of the closing ">" or the line's end.
    template <bool kText>
    [[gnu::always_inline]] std::size_t WalkChord(Running& run, std::string_view line, std::size_t i) {
        for (; i < line.size() && line[i] != '>'; ++i) {
            if (line[i] == '!') {
                Hold(run, line, ++i);
            } else if (IsChordArrow(line[i])) {
                run.current = static_cast<unsigned char>(line[i]);
                Arrow<kText>(run, line[i]);
            }
        }
        Step(run);
        return i;
    }

    // "!" makes the arrow before it a freeze on the panels of the character
    // after it; the freeze lasts until the next arrow on those panels.
    [[gnu::always_inline]] void Hold(Running& run, std::string_view line, std::size_t i) {
        if (i >= line.size()) return;
        const unsigned held = panelsOf_[static_cast<unsigned char>(line[i])] & ~kNoPanel;
        run.held |= held;
        // The arrow just pressed is a freeze head on those panels: it stands
        // right before the "!", one step back, or in the same chord.
        if (listened_)
            OutOfLine(run, [&] {
                const bool justBefore = rows_ == justPressedRows_ || rows_ == justPressedRows_ + rowStep_;
                if ((justPressed_ & held) != 0 && justBefore)
                    notes_.Tell({justPressed_ & held, NoteKind::HoldHead, justPressedMs_, justPressedRows_});
            });
    }

    // The arrow `step`. An arrow that ends a freeze is the moment the
    // player lets go, not a press, and an arrow that a warp jumped back over
    // (one timed before the last record) is never met by the player: neither
    // gets a record, so the timing file holds exactly the presses, in order.
    template <bool kText>
    [[gnu::always_inline]] void Arrow(Running& run, char step) {
        if (run.stopped) return;
        unsigned panels = panelsOf_[static_cast<unsigned char>(step)];
        if (run.held != 0) {
            const unsigned released = panels & run.held;
            if (released != 0) {
                run.held &= ~panels;
                if (released == panels) {
                    OutOfLine(run, [&] {
                        justPressed_ = 0;
                        Note(NoteKind::Tail, panels);
                    });
                    return;
                }
                OutOfLine(run, [&] { Note(NoteKind::TailInJump, released); });
                panels &= ~released;
            }
        }
        char* const record = run.next;
        switch (notes_.WritePress<kText>(run.next, run.lastRecordMs, panels, run.currentMs)) {
            case RecordOutcome::Written: break;
            case RecordOutcome::WarpedOver:
                if (keepsLines_ || listened_)
                    OutOfLine(run, [&] {
                        justPressed_ = 0;
                        Note(NoteKind::WarpedOver, panels);
                    });
                return;
            case RecordOutcome::BeyondLimit:
                OutOfLine(run, [&] { Stop(kTimeBeyondTimingFile); });
                return;
        }
        // The listener reads nothing of the walk's, so the running values
        // stay where they are.
        if (listened_) {
            justPressed_ = panels;
            justPressedMs_ = run.currentMs;
            justPressedRows_ = run.rows;
            notes_.Tell({panels, NoteKind::Tap, run.currentMs, run.rows});
        }
        if (!kText) return;
        if (keepsLines_)
            OutOfLine(run, [&] {
                notes_.LogPress(record, run.next, panels, rows_);
                // The format gives such a step a record all the same.
                if (panels == kNoPanel)
                    log_.Append(std::string("Step character ") + step + " names no arrow: its record has a blank token");
            });
        if (notes_.Full(run.next)) OutOfLine(run, [&] { Spill(); });
    }

    // A note that makes no record, at the walk's time and place.
    void Note(NoteKind kind, unsigned panels) { notes_.Take({panels, kind, state_.CurrentMs, rows_}); }

    [[gnu::always_inline]] void SetNoteLength(Running& run, int k) {
        noteDivisor_ = k;
        run.stepMs = ((60 / state_.Bpm) * 1000) / k;
        run.rowStep = kRowsPerBeat / k;
        if (!std::isfinite(run.stepMs)) OutOfLine(run, [&] { Stop("a note-length marker at tempo 0"); });
    }

    [[gnu::always_inline]] void Step(Running& run) {
        run.currentMs = run.currentMs + run.stepMs;
        run.rows += run.rowStep;
        if (run.rows >= run.dueRows) OutOfLine(run, [&] { ApplyDueEntries(); });
        if (!std::isfinite(run.currentMs) && !run.stopped) OutOfLine(run, [&] { Stop("a time that is not finite"); });
    }

    // The lists are consulted only when a step reaches the row of their
    // current entry, which the last look at them left in nextStopRow_ and
    // nextTempoRow_ (-inf before the first step, so that it looks): the
    // step compares its rows with dueRows_, the first whole count of rows at
    // which either entry can be due, and comes here only then. Rows are
    // whole numbers, exactly as doubles. Kept out of line, so that the
    // step's code stays short.
    [[gnu::noinline]] void ApplyDueEntries() {
        const double rowBefore = static_cast<double>(rows_ - rowStep_);
        const double row = static_cast<double>(rows_);
        if (nextStopRow_ < row) ApplyDueStops(row);
        if (nextTempoRow_ <= row && !stopped_) ApplyDueTempoChanges(rowBefore, row);
        // A stop is due above its row, a tempo change at it.
        dueRows_ = std::min(FirstRowsFrom(std::floor(nextStopRow_) + 1), FirstRowsFrom(nextTempoRow_));
    }

    // Empty entries are passed over as soon as they are the current one.
    static const TimingEntry* Current(const std::vector<TimingEntry>& entries, std::size_t& index) {
        while (index < entries.size() && entries[index].Empty) ++index;
        return index < entries.size() ? &entries[index] : nullptr;
    }

    // A stop falls due once the beat has passed its position, so the arrow on
    // its beat keeps its time and everything after it comes later. Several
    // stops passed by one step all take effect, in list order. A negative
    // stop is a warp: it jumps back, and the arrows it passes over are left
    // out (see Arrow).
    void ApplyDueStops(double row) {
        nextStopRow_ = kNever;
        while (const TimingEntry* entry = Current(freezes_, lists_.FreezeIndex)) {
            if (!(entry->Row < row)) {
                nextStopRow_ = entry->Row;
                return;
            }
            ++lists_.FreezeIndex;
            if (!entry->HasValue) continue;
            state_.CurrentMs = state_.CurrentMs + entry->Value;
            log_.Append("Freeze " + entry->ValueText);
        }
    }

    // A tempo change falls due at its position and sets the length of the
    // steps that follow, in the note length last chosen. One that lies inside
    // the step just made also retimes the rest of that step at the new tempo.
    // A negative tempo is a warp, like a negative stop.
    void ApplyDueTempoChanges(double rowBefore, double row) {
        nextTempoRow_ = kNever;
        while (const TimingEntry* entry = Current(bpmChanges_, lists_.BpmChangeIndex)) {
            if (!(entry->Row <= row)) {
                nextTempoRow_ = entry->Row;
                return;
            }
            ++lists_.BpmChangeIndex;
            if (!entry->HasValue) continue;
            state_.Bpm = entry->Value;
            log_.Append("BPM Change to " + entry->ValueText);
            if (state_.Bpm == 0) {
                Stop("a tempo change to 0");
                return;
            }
            if (!std::isfinite(state_.Bpm)) {
                Stop("a tempo change to a tempo too large to read");
                return;
            }
            const double oldStepMs = state_.StepMs;
            state_.StepMs = ((60 / state_.Bpm) * 1000) / noteDivisor_;
            if (!std::isfinite(state_.StepMs)) {
                Stop("a tempo change to a step length that is not finite");
                return;
            }
            if (entry->Row >= rowBefore && entry->Row < row)
                state_.CurrentMs =
                    state_.CurrentMs + ((state_.StepMs - oldStepMs) * (row - entry->Row)) / (row - rowBefore);
        }
    }

    ConverterState& state_;
    TimingLists& lists_;
    ProgressLog& log_;
    NoteWriter& notes_;
    std::vector<TimingEntry> bpmChanges_;
    std::vector<TimingEntry> freezes_;
    std::int64_t rows_;                      // the beat, in rows
    std::int64_t rowStep_ = kRowsPerBeat / 2;  // rows per step
    int noteDivisor_ = 2;
    bool keepsLines_;
    bool listened_;
    // The panels of the last arrow pressed and its time, for a "!" after it.
    unsigned justPressed_ = 0;
    double justPressedMs_ = 0;
    std::int64_t justPressedRows_ = 0;
    const std::array<unsigned char, 256> panelsOf_;
    int current_ = -1;  // the character under examination, none yet
    unsigned held_ = 0;  // panels held by a freeze, across lines
    double nextStopRow_ = -kNever;
    double nextTempoRow_ = -kNever;
    std::int64_t dueRows_ = std::numeric_limits<std::int64_t>::min();  // see ApplyDueEntries
    std::string stop_;
    bool stopped_ = false;
};

}  // namespace

WalkOutcome WalkSteps(const std::string& firstLine, ChartStream& chart, ConverterState& state,
                      TimingLists& lists, NoteWriter& notes, ProgressLog& log) {
    if (firstLine.empty() && chart.AtEnd()) return {"no step data after the part's header"};
    Walker walker(state, lists, notes, log);
    if (!walker.WalkLine(firstLine)) {
        // A line of any length, a piece at a time.
        StepLinePieces pieces(chart);
        std::string_view text;
        for (;;) {
            const StepLinePieces::Result got = pieces.Next(text);
            if (got == StepLinePieces::Result::End) break;
            if (got == StepLinePieces::Result::ChordTooLong) {
                walker.Stop("a chord in the step data is longer than 16 MiB");
                break;
            }
            if (walker.WalkLine(text) || (!pieces.LineGoesOn() && chart.AtEnd())) break;
        }
    }
    walker.Finish();
    return {walker.StopReason()};
}

Notation DwiNotation() { return {BeatStyle::BeatAndQuarterBeats, 0, "Freeze end: "}; }

}  // namespace stepquill
