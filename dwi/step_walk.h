#pragma once

#include <string>
#include <string_view>

#include "chart_stream.h"
#include "converter_state.h"
#include "note_writer.h"
#include "part_search.h"
#include "progress_log.h"

namespace stepquill {

// Why a walk could not go on; empty when it reached the part's end.
struct WalkOutcome {
    std::string StopReason;
    bool Ok() const { return StopReason.empty(); }
};

// Walks the part's step data: `firstLine` (the rest of the header line), then
// the chart's lines, up to the first ";" examined or the end of the chart.
// Every arrow, freeze end and arrow passed over goes to `notes`, which
// holds the last records once the walk is over.
WalkOutcome WalkSteps(const std::string& firstLine, ChartStream& chart, ConverterState& state,
                      TimingLists& lists, NoteWriter& notes, ProgressLog& log);

// How a DWI chart's records and log lines read.
Notation DwiNotation();

}  // namespace stepquill
