#include "press_walk.h"

#include "text.h"

namespace stepquill::stepmania {

namespace {

// What a note left on its panel at the row's end hands on; a tap, or a head
// whose tail comes, is a press.
stepquill::NoteKind EventKindOf(NoteKind kind, bool holdEnded) {
    switch (kind) {
        case NoteKind::Tap: return stepquill::NoteKind::Tap;
        case NoteKind::HoldHead:
            return holdEnded ? stepquill::NoteKind::HoldHead : stepquill::NoteKind::HeadWithoutTail;
        case NoteKind::RollHead:
            return holdEnded ? stepquill::NoteKind::RollHead : stepquill::NoteKind::HeadWithoutTail;
        case NoteKind::Mine: return stepquill::NoteKind::Mine;
        case NoteKind::Keysound: return stepquill::NoteKind::Keysound;
        case NoteKind::Lift: return stepquill::NoteKind::Lift;
        default: return stepquill::NoteKind::Fake;
    }
}

}  // namespace

PressWalk::PressWalk(const TimingData& timing, double shiftMs, NoteWriter& notes, ProgressLog& log,
                     std::string_view decimalSeparator)
    : sweep_(timing, shiftMs), notes_(notes), log_(log), separator_(decimalSeparator) {
    if (notes.KeepsLines()) sweep_.OnSegment = [this](const PassedSegment& segment) { LogSegment(segment); };
}

void PressWalk::FinishRow() {
    if (!rowHasNotes_) return;
    rowHasNotes_ = false;
    const unsigned taps = taps_, holds = holds_, rolls = rolls_;
    taps_ = holds_ = rolls_ = 0;
    if (!notes_.Stopped()) {
        const unsigned presses = taps | holds | rolls;
        const RowJudging judging = presses != 0 ? sweep_.Judging(row_) : RowJudging::Judged;
        // Only a press, a log line or a listener needs the row's time.
        const bool allNotes = notes_.KeepsLines() || notes_.Listened();
        const double ms = presses != 0 || allNotes ? sweep_.TimeAt(row_) : 0;
        if (presses != 0) {
            switch (judging) {
                case RowJudging::Judged:
                    if (taps != 0) notes_.Take({taps, stepquill::NoteKind::Tap, ms, row_});
                    if (holds != 0) notes_.Take({holds, stepquill::NoteKind::HoldHead, ms, row_});
                    if (rolls != 0) notes_.Take({rolls, stepquill::NoteKind::RollHead, ms, row_});
                    notes_.EndMoment();
                    break;
                case RowJudging::Warped: notes_.Take({presses, stepquill::NoteKind::WarpedOver, ms, row_}); break;
                case RowJudging::Faked: notes_.Take({presses, stepquill::NoteKind::Fake, ms, row_}); break;
            }
        }
        if (allNotes) {
            for (int panel = 0; panel < kPanels; ++panel) {
                const unsigned bit = 1u << panel;
                const Slot& slot = slots_[static_cast<std::size_t>(panel)];
                if (slot.Kind != NoteKind::None && !(presses & bit))
                    notes_.Take({bit, EventKindOf(slot.Kind, slot.HoldEnded), ms, row_});
                if (tails_ & bit) notes_.Take({bit, stepquill::NoteKind::Tail, ms, row_});
            }
        }
    }
    slots_.fill({});
    tails_ = 0;
}

void PressWalk::LogSegment(const PassedSegment& segment) {
    const double beat = static_cast<double>(segment.Row) / kRowsPerBeat;
    std::string line;
    switch (segment.What) {
        case PassedSegment::Kind::Bpm: line = "BPM Change to " + FormatNumber(segment.Value, separator_); break;
        case PassedSegment::Kind::Stop: line = "Stop " + FormatNumber(segment.Value, separator_) + "s"; break;
        case PassedSegment::Kind::Delay: line = "Delay " + FormatNumber(segment.Value, separator_) + "s"; break;
        case PassedSegment::Kind::Warp:
            line = "Warp to beat=" + FormatNumber(static_cast<double>(segment.EndRow) / kRowsPerBeat, separator_);
            break;
    }
    line += " beat=";
    AppendNumber(line, beat, separator_);
    log_.Append(line);
}

}  // namespace stepquill::stepmania
