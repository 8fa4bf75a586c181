#pragma once

#include <string_view>

#include "arrow_mapping.h"
#include "converter_state.h"
#include "progress_log.h"

namespace stepquill {

// Appends the record of the arrow in CurrentChar at CurrentMs to OutputBuffer
// ("Y 250\n") and its line to the log ("Y@250 beat=0.5 bpmc=2").
void EmitStepRecord(ConverterState& state, const ArrowTokens& tokens, ProgressLog& log,
                    std::string_view decimalSeparator = ".");
// The same with the token already chosen.
void EmitStepRecord(ConverterState& state, std::string_view token, ProgressLog& log,
                    std::string_view decimalSeparator = ".");

// Logs the line of an arrow that gets no record, after `reason`
// ("Freeze end: Y@750 beat=1.5 bpmc=6").
void LogArrowWithoutRecord(const ConverterState& state, std::string_view reason, std::string_view token,
                           ProgressLog& log, std::string_view decimalSeparator = ".");

}  // namespace stepquill
