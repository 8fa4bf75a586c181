#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "arrow_mapping.h"
#include "note_rows.h"
#include "progress_log.h"
#include "record_writer.h"
#include "time_sweep.h"

namespace stepquill::stepmania {

// Turns a chart's notes, row by row, into the timing file's records: each
// judged row's taps and hold heads that have their tail make one press at
// the row's time. One panel gives its own token, two panels the token of
// the DWI arrow for that pair (so the same options choose it), three or
// four panels a record per panel, left, down, up, right. Mines, keysounds,
// lifts, fakes, tails, heads without their tail and rows that a warp or a
// fake range covers give no record; the log says why for each.
class PressWalk {
public:
    // `shiftMs` moves every time, as an offset that much smaller would.
    PressWalk(const TimingData& timing, double shiftMs, const std::vector<bool>& holdEnded, const ArrowTokens& tokens,
              ProgressLog& log, RecordSink& sink, std::string& outputBuffer, std::string_view decimalSeparator);

    void Note(std::int64_t row, int panel, NoteKind kind);
    // The last row's presses; the last records are then in OutputBuffer.
    void Finish();

    // Why the walk stopped, or "" when it went through.
    const std::string& StopReason() const { return stop_; }

private:
    struct Slot {
        NoteKind Kind = NoteKind::None;
        bool HoldEnded = false;
    };

    void FinishRow();
    void WritePresses(unsigned panels, double ms);
    void WriteRecord(std::string_view token, double ms);
    void LogWithoutRecord(std::string_view reason, unsigned panels);
    void LogSegment(const PassedSegment& segment);
    void Stop(std::string reason);
    double Beat() const { return static_cast<double>(row_) / kRowsPerBeat; }

    TimeSweep sweep_;
    const std::vector<bool>& holdEnded_;
    std::size_t nextHead_ = 0;
    ProgressLog& log_;
    const bool keepsLines_;
    std::string_view separator_;
    RecordWriter records_;
    // The token of each set of one or two panels, a bit a panel.
    std::array<std::string, 16> tokenOf_;
    std::int64_t row_ = std::numeric_limits<std::int64_t>::min();
    std::array<Slot, kPanels> slots_{};
    unsigned tails_ = 0;
    bool rowHasNotes_ = false;
    std::string stop_;
};

}  // namespace stepquill::stepmania
