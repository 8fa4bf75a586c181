#pragma once

#include <string>
#include <string_view>

#include "chart_info.h"
#include "chart_source.h"
#include "conversion_run.h"
#include "converter_state.h"
#include "simfile.h"

namespace stepquill::stepmania {

// Reads a .sm or .ssc file's title (with its subtitle), artist, first
// tempo, the time of beat 0 and its dance-single charts, "Hard(9)", into
// the same records a DWI chart's reading fills.
ReadOutcome ReadStepManiaInfo(ChartSource& chart, SimfileFormat format, ConverterState& state, ChartInfo& info,
                              std::string_view decimalSeparator = ".");

// The reading a conversion needs: it ends once a chart that `wanted` names
// ("Hard(9)", or "Hard") is listed, and fills only the difficulties.
ReadOutcome ReadStepManiaInfoFor(ChartSource& chart, SimfileFormat format, std::string_view wanted, ChartInfo& info);

// Converts the dance-single chart whose key a run is given. It reads the
// file twice: once for its timing, which may stand after the notes, and
// which hold heads have their tail; then the chart's notes for the presses.
class StepManiaPartReader final : public PartReader {
public:
    explicit StepManiaPartReader(SimfileFormat format) : format_(format) {}

    // "song.sm" and "song.ssc" give "song.kvt".
    std::string TimingFileFor(const std::string& chartPath, std::string& reason) const override;
    std::string ConvertPart(ChartSource& chart, ConverterState& state, const std::string& difficultyText,
                            const ArrowTokens& tokens, ProgressLog& log, RecordSink& records,
                            const RunSettings& settings) override;

private:
    SimfileFormat format_;
};

}  // namespace stepquill::stepmania
