#pragma once

#include <string>
#include <string_view>

#include "arrow_mapping.h"
#include "chart_stream.h"
#include "converter_state.h"
#include "part_search.h"
#include "progress_log.h"
#include "record_sink.h"

namespace stepquill {

// Why a walk could not go on; empty when it reached the part's end.
struct WalkOutcome {
    std::string StopReason;
    bool Ok() const { return StopReason.empty(); }
};

// Walks the part's step data: `firstLine` (the rest of the header line), then
// the chart's lines, up to the first ";" examined or the end of the chart.
// The records go to `sink` a block at a time; those of the last block, or
// all of them without a sink, are added to OutputBuffer, which must be empty
// when a sink is given.
WalkOutcome WalkSteps(const std::string& firstLine, ChartStream& chart, ConverterState& state,
                      TimingLists& lists, const ArrowTokens& tokens, ProgressLog& log,
                      std::string_view decimalSeparator = ".", RecordSink* sink = nullptr);

}  // namespace stepquill
