#include "press_walk.h"

#include <cmath>

#include "step_record.h"
#include "text.h"

namespace stepquill::stepmania {

namespace {

constexpr unsigned kLeft = 1, kDown = 2, kUp = 4, kRight = 8;

// How many panels a set holds, without a call where the processor has no
// instruction for it.
constexpr int PanelCount(unsigned panels) {
    return static_cast<int>((panels & 1) + ((panels >> 1) & 1) + ((panels >> 2) & 1) + ((panels >> 3) & 1));
}

// A time is taken down to whole milliseconds, but the doubles of a sum of
// stretches land just under a whole millisecond now and then
// (16027.999999999998 for 16028): this much above the computed time takes
// the exact time's floor on every press of the charts the rules were held
// against, where the plain floor misses hundreds.
constexpr double kFloorTolerance = 1e-6;

// The DWI arrow of each set of one or two panels, whose token the options
// choose.
char DwiArrowOf(unsigned panels) {
    switch (panels) {
        case kLeft: return '4';
        case kDown: return '2';
        case kUp: return '8';
        case kRight: return '6';
        case kLeft | kDown: return '1';
        case kDown | kRight: return '3';
        case kLeft | kUp: return '7';
        case kUp | kRight: return '9';
        case kUp | kDown: return 'A';
        case kLeft | kRight: return 'B';
        default: return ' ';
    }
}

}  // namespace

PressWalk::PressWalk(const TimingData& timing, double shiftMs, const std::vector<bool>& holdEnded,
                     const ArrowTokens& tokens, ProgressLog& log, RecordSink& sink, std::string& outputBuffer,
                     std::string_view decimalSeparator)
    : sweep_(timing, shiftMs),
      holdEnded_(holdEnded),
      log_(log),
      keepsLines_(log.KeepsLines()),
      separator_(decimalSeparator),
      records_(&sink, outputBuffer, [&] {
          std::size_t longest = 0;
          for (const std::string* token : {&tokens.UpLeft, &tokens.UpRight, &tokens.DownLeft, &tokens.DownRight,
                                           &tokens.UpDown, &tokens.LeftRight})
              longest = std::max(longest, token->size());
          return std::max<std::size_t>(longest, 1);
      }()) {
    for (unsigned panels = 0; panels < tokenOf_.size(); ++panels) {
        std::string arrow(1, DwiArrowOf(panels));
        if (arrow[0] != ' ') tokenOf_[panels] = GetStep2x(arrow, tokens);
    }
    if (keepsLines_) sweep_.OnSegment = [this](const PassedSegment& segment) { LogSegment(segment); };
}

void PressWalk::Note(std::int64_t row, int panel, NoteKind kind) {
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
    slot.HoldEnded = false;
    if (kind == NoteKind::HoldHead) {
        // Read in the same order as the notes were for the hold ends.
        slot.HoldEnded = nextHead_ < holdEnded_.size() && holdEnded_[nextHead_];
        ++nextHead_;
    }
}

void PressWalk::Finish() {
    FinishRow();
    records_.Finish();
}

void PressWalk::FinishRow() {
    if (!rowHasNotes_) return;
    rowHasNotes_ = false;
    unsigned presses = 0;
    for (int panel = 0; panel < kPanels; ++panel) {
        const Slot& slot = slots_[static_cast<std::size_t>(panel)];
        if (slot.Kind == NoteKind::Tap || (slot.Kind == NoteKind::HoldHead && slot.HoldEnded)) presses |= 1u << panel;
    }
    if (stop_.empty()) {
        if (presses != 0) {
            switch (sweep_.Judging(row_)) {
                case RowJudging::Judged: {
                    const double ms = sweep_.TimeAt(row_) + kFloorTolerance;
                    if (!std::isfinite(ms))
                        Stop("a time that is not finite");
                    else
                        WritePresses(presses, ms);
                    break;
                }
                case RowJudging::Warped:
                    LogWithoutRecord("Warped over: ", presses);
                    break;
                case RowJudging::Faked:
                    LogWithoutRecord("Fake: ", presses);
                    break;
            }
        }
        if (keepsLines_) {
            for (int panel = 0; panel < kPanels; ++panel) {
                const unsigned bit = 1u << panel;
                const Slot& slot = slots_[static_cast<std::size_t>(panel)];
                switch (slot.Kind) {
                    case NoteKind::Mine: LogWithoutRecord("Mine: ", bit); break;
                    case NoteKind::Keysound: LogWithoutRecord("Keysound: ", bit); break;
                    case NoteKind::Lift: LogWithoutRecord("Lift: ", bit); break;
                    case NoteKind::Fake: LogWithoutRecord("Fake: ", bit); break;
                    case NoteKind::HoldHead:
                        if (!slot.HoldEnded) LogWithoutRecord("Hold without its end: ", bit);
                        break;
                    default: break;
                }
                if (tails_ & bit) LogWithoutRecord("Hold end: ", bit);
            }
        }
    }
    slots_.fill({});
    tails_ = 0;
}

void PressWalk::WritePresses(unsigned panels, double ms) {
    if (PanelCount(panels) <= 2) {
        WriteRecord(tokenOf_[panels], ms);
        return;
    }
    for (unsigned bit = kLeft; bit <= kRight && stop_.empty(); bit <<= 1)
        if (panels & bit) WriteRecord(tokenOf_[bit], ms);
}

void PressWalk::WriteRecord(std::string_view token, double ms) {
    char* next = records_.Next();
    double lastMs = records_.LastMs();
    char* const record = next;
    const RecordOutcome outcome = records_.Write(next, lastMs, token, ms);
    records_.Keep(next, lastMs);
    switch (outcome) {
        case RecordOutcome::Written: break;
        case RecordOutcome::WarpedOver:
            if (keepsLines_)
                log_.Append(ArrowLine("Warped over: ", token, FormatNumber(std::floor(ms)), Beat(), separator_,
                                      BeatStyle::BeatOnly));
            return;
        case RecordOutcome::BeyondLimit:
            Stop(kTimeBeyondTimingFile);
            return;
    }
    if (keepsLines_)
        log_.Append(ArrowLine({}, token, RecordWriter::TimeText(record, token.size(), next), Beat(), separator_,
                              BeatStyle::BeatOnly));
    if (records_.Full(next)) {
        std::string reason;
        if (!records_.Spill(reason)) Stop(reason);
    }
}

void PressWalk::LogWithoutRecord(std::string_view reason, unsigned panels) {
    if (!keepsLines_) return;
    const double ms = sweep_.TimeAt(row_) + kFloorTolerance;
    const std::string time = std::isfinite(ms) ? FormatNumber(std::floor(ms)) : FormatNumber(ms);
    auto line = [&](unsigned set) {
        log_.Append(ArrowLine(reason, tokenOf_[set], time, Beat(), separator_, BeatStyle::BeatOnly));
    };
    if (PanelCount(panels) <= 2) {
        line(panels);
        return;
    }
    for (unsigned bit = kLeft; bit <= kRight; bit <<= 1)
        if (panels & bit) line(bit);
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

void PressWalk::Stop(std::string reason) {
    if (stop_.empty()) stop_ = std::move(reason);
}

}  // namespace stepquill::stepmania
