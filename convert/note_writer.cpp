#include "note_writer.h"

#include <cmath>

#include "messages.h"
#include "text.h"

namespace stepquill {

namespace {

double BeatOf(std::int64_t row) { return static_cast<double>(row) / kRowsPerBeat; }

}  // namespace

NoteWriter::NoteWriter(RecordSink* sink, std::string& outputBuffer, const ArrowTokens& tokens, ProgressLog& log,
                       std::string_view decimalSeparator, const Notation& notation, NoteListener* listener)
    : tokenOf_(TokenTable(tokens)),
      log_(log),
      keepsLines_(log.KeepsLines()),
      writesText_(keepsLines_ || sink == nullptr || sink->ReadsRecords()),
      separator_(decimalSeparator),
      notation_(notation),
      records_(sink, outputBuffer, LongestToken(tokenOf_)),
      listener_(listener) {}

void NoteWriter::EndMomentInFull() {
    const unsigned panels = pressed_;
    pressed_ = 0;
    const unsigned holds = pressedHolds_, rolls = pressedRolls_;
    pressedHolds_ = pressedRolls_ = 0;
    if (panels == 0 || Stopped()) return;
    if (!std::isfinite(pressedMs_ + notation_.FloorToleranceMs)) {
        Stop("a time that is not finite");
        return;
    }
    auto write = [&](unsigned set) {
        if (!WriteOne(set, pressedMs_, pressedRow_) || listener_ == nullptr) return;
        if (set & ~holds & ~rolls) Tell({set & ~holds & ~rolls, NoteKind::Tap, pressedMs_, pressedRow_});
        if (set & holds) Tell({set & holds, NoteKind::HoldHead, pressedMs_, pressedRow_});
        if (set & rolls) Tell({set & rolls, NoteKind::RollHead, pressedMs_, pressedRow_});
    };
    if (PanelCount(panels) <= 2) {
        write(panels);
        return;
    }
    for (unsigned bit = kLeft; bit <= kRight && !Stopped(); bit <<= 1)
        if (panels & bit) write(bit);
}

bool NoteWriter::AfterRecord(RecordOutcome outcome, const char* record, char* next, unsigned panels, double ms,
                             std::int64_t row) {
    switch (outcome) {
        case RecordOutcome::Written: break;
        case RecordOutcome::WarpedOver: LogWithoutRecord(NoteKind::WarpedOver, panels, ms, row); return false;
        case RecordOutcome::BeyondLimit: Stop(kTimeBeyondTimingFile); return false;
    }
    if (keepsLines_) LogPress(record, next, panels, row);
    if (records_.Full(next)) Spill();
    return true;
}

void NoteWriter::LogPress(const char* record, const char* next, unsigned panels, std::int64_t row) {
    const std::string_view token = tokenOf_[panels];
    log_.Append(ArrowLine({}, token, RecordWriter::TimeText(record, token.size(), next), BeatOf(row), separator_,
                          notation_.Beats));
}

void NoteWriter::LogWithoutRecord(NoteKind kind, unsigned panels, double ms, std::int64_t row) {
    if (!keepsLines_) return;
    const double shown = ms + notation_.FloorToleranceMs;
    const std::string time = FormatNumber(std::isfinite(shown) ? std::floor(shown) : shown);
    auto line = [&](unsigned set) {
        log_.Append(ArrowLine(Label(kind), tokenOf_[set], time, BeatOf(row), separator_, notation_.Beats));
    };
    if (PanelCount(panels) <= 2) {
        line(panels);
        return;
    }
    for (unsigned bit = kLeft; bit <= kRight; bit <<= 1)
        if (panels & bit) line(bit);
}

std::string_view NoteWriter::Label(NoteKind kind) const {
    switch (kind) {
        case NoteKind::Tail: return notation_.TailLabel;
        case NoteKind::HeadWithoutTail: return "Hold without its end: ";
        case NoteKind::Lift: return "Lift: ";
        case NoteKind::Mine: return "Mine: ";
        case NoteKind::Keysound: return "Keysound: ";
        case NoteKind::Fake: return "Fake: ";
        case NoteKind::WarpedOver: return "Warped over: ";
        default: return {};
    }
}

void NoteWriter::Spill() {
    std::string reason;
    if (!records_.Spill(reason)) Stop(reason);
}

void NoteWriter::Finish() { records_.Finish(); }

}  // namespace stepquill
