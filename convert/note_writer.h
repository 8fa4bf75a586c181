#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "arrow_tokens.h"
#include "note_event.h"
#include "progress_log.h"
#include "record_writer.h"
#include "step_record.h"

namespace stepquill {

// How a chart format's times and positions read in the timing file and
// the log.
struct Notation {
    BeatStyle Beats = BeatStyle::BeatAndQuarterBeats;
    // Added to a time before it is taken down to whole milliseconds, for a
    // format whose sums of doubles land just under a whole millisecond.
    double FloorToleranceMs = 0;
    // How the log names a note that ends a hold.
    std::string_view TailLabel = "Hold end: ";
};

// Turns a part's notes into the timing file's records and their log lines,
// whatever the chart's format: a record per press, or per panel of a press
// of three or four panels, only presses in time order, each time taken down
// to whole milliseconds below ±1E+15; every other note gets a log line that
// says why it has no record.
//
// A reader hands the notes of each moment with Take and ends the moment
// with EndMoment, which writes its presses as one record. A walk that
// writes a record for nearly every character it reads may instead keep the
// end of the records and the last time in locals and use WritePress (see
// RecordWriter for why).
class NoteWriter {
public:
    // `listener`, where given, is told of the notes the records are made of.
    NoteWriter(RecordSink* sink, std::string& outputBuffer, const ArrowTokens& tokens, ProgressLog& log,
               std::string_view decimalSeparator, const Notation& notation, NoteListener* listener = nullptr);

    void Take(const NoteEvent& note) {
        if (IsPress(note.Kind)) {
            pressed_ |= note.Panels;
            if (note.Kind == NoteKind::HoldHead) pressedHolds_ |= note.Panels;
            if (note.Kind == NoteKind::RollHead) pressedRolls_ |= note.Panels;
            pressedMs_ = note.Ms;
            pressedRow_ = note.Row;
            return;
        }
        if (listener_ != nullptr) Tell(note);
        if (note.Kind != NoteKind::TailInJump) LogWithoutRecord(note.Kind, note.Panels, note.Ms, note.Row);
    }
    // Inline for a moment of one or two panels that no listener hears of,
    // nearly every moment of a chart.
    void EndMoment() {
        const unsigned panels = pressed_;
        if (panels == 0 || PanelCount(panels) > 2 || listener_ != nullptr || Stopped() ||
            !std::isfinite(pressedMs_ + notation_.FloorToleranceMs)) {
            EndMomentInFull();
            return;
        }
        pressed_ = pressedHolds_ = pressedRolls_ = 0;
        WriteOne(panels, pressedMs_, pressedRow_);
    }

    bool Listened() const { return listener_ != nullptr; }
    // Tells the listener of a note at its time as the records round it;
    // inline, as a device's walk tells of nearly every arrow.
    void Tell(const NoteEvent& note) {
        NoteEvent told = note;
        told.Ms += notation_.FloorToleranceMs;
        listener_->Note(told);
    }

    char* Next() const { return records_.Next(); }
    double LastMs() const { return records_.LastMs(); }
    void Keep(char* next, double lastMs) { records_.Keep(next, lastMs); }
    // One record for a press of one or two panels; without kText only
    // judged (see WritesText).
    template <bool kText = true>
    [[gnu::always_inline]] RecordOutcome WritePress(char*& next, double& lastMs, unsigned panels, double ms) {
        return records_.Write<kText>(next, lastMs, tokenOf_[panels], ms + notation_.FloorToleranceMs);
    }
    // Whether anyone reads the records' text: the sink or the log's lines.
    bool WritesText() const { return writesText_; }
    bool Full(const char* next) const { return records_.Full(next); }
    // The log line of the record that starts at `record` and ends at `next`.
    void LogPress(const char* record, const char* next, unsigned panels, std::int64_t row);
    void LogWithoutRecord(NoteKind kind, unsigned panels, double ms, std::int64_t row);

    // Hands the full block on; a sink that cannot keep it stops the writer.
    void Spill();
    // The records not yet handed on go to the output buffer.
    void Finish();

    bool KeepsLines() const { return keepsLines_; }
    void Stop(std::string reason) {
        if (stop_.empty()) stop_ = std::move(reason);
    }
    bool Stopped() const { return !stop_.empty(); }
    const std::string& StopReason() const { return stop_; }

private:
    void EndMomentInFull();
    // Whether the press got its record. Inline where the record is written
    // and nothing else is to be done.
    bool WriteOne(unsigned panels, double ms, std::int64_t row) {
        char* next = records_.Next();
        double lastMs = records_.LastMs();
        char* const record = next;
        const RecordOutcome outcome =
            writesText_ ? WritePress<true>(next, lastMs, panels, ms) : WritePress<false>(next, lastMs, panels, ms);
        records_.Keep(next, lastMs);
        if (outcome == RecordOutcome::Written && !keepsLines_ && !records_.Full(next)) return true;
        return AfterRecord(outcome, record, next, panels, ms, row);
    }
    bool AfterRecord(RecordOutcome outcome, const char* record, char* next, unsigned panels, double ms,
                     std::int64_t row);
    std::string_view Label(NoteKind kind) const;

    const std::array<std::string, kPanelSets> tokenOf_;
    ProgressLog& log_;
    const bool keepsLines_;
    const bool writesText_;
    std::string_view separator_;
    Notation notation_;
    RecordWriter records_;
    NoteListener* listener_;
    unsigned pressed_ = 0;
    unsigned pressedHolds_ = 0;
    unsigned pressedRolls_ = 0;
    double pressedMs_ = 0;
    std::int64_t pressedRow_ = 0;
    std::string stop_;
};

}  // namespace stepquill
