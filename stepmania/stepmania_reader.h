#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <unordered_map>
#include <string>
#include <string_view>

#include "chart_format.h"
#include "held_back_notes.h"
#include "simfile.h"

namespace stepquill::stepmania {

// Reads .sm and .ssc files: the title, subtitle and artist, the first
// tempo, the time of beat 0 and the dance-single charts ("Hard(9)"), and
// converts one of those charts. A conversion reads the file twice: once
// for its timing, which may stand after the notes, then the chart's notes
// for the presses, holding back the notes after a hold head until its fate
// is known; at most `heldBackBytes` of them, past which the notes are read
// once more for the fate of every head. The first reading is the one that
// read the chart's information, where the same reader did so: it is kept
// until StartChart.
class StepManiaReader final : public ChartFormatReader {
public:
    explicit StepManiaReader(SimfileFormat format, std::size_t heldBackBytes = kHeldBackBytes)
        : format_(format), heldBackBytes_(heldBackBytes) {}

    ChartReading ReadInfo(ChartSource& chart, std::string_view wanted, const ChartInfo& before) override;
    // "song.sm" and "song.ssc" give "song.kvt"; a chart whose format was
    // told by its tags, not its ending, keeps its whole name.
    std::string TimingFileFor(const std::string& chartPath, std::string& reason) const override;
    Notation NotesNotation() const override;
    void StartChart() override {
        simfile_.reset();
        chartOfKey_.clear();
    }
    std::unique_ptr<ChartFormatReader> Sibling() const override { return std::make_unique<StepManiaReader>(*this); }
    // The file's timing and charts are read once for all the parts
    // converted between two StartChart calls; each part then reads its own
    // notes from where they start.
    std::string ConvertPart(ChartSource& chart, const ConversionRequest& request, NoteWriter& notes,
                            ProgressLog& log) override;

private:
    // What a whole reading of the file found, for the conversions of its parts.
    void Keep(Simfile simfile);

    SimfileFormat format_;
    std::size_t heldBackBytes_;
    std::optional<Simfile> simfile_;
    std::unordered_map<std::string, std::size_t> chartOfKey_;  // the last listing of each key
};

}  // namespace stepquill::stepmania
