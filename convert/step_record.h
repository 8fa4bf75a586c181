#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "arrow_mapping.h"
#include "converter_state.h"
#include "progress_log.h"
#include "whole_number.h"

namespace stepquill {

// Appends the record of the arrow in CurrentChar at CurrentMs to OutputBuffer
// ("Y 250\n") and its line to the log ("Y@250 beat=0.5 bpmc=2").
void EmitStepRecord(ConverterState& state, const ArrowTokens& tokens, ProgressLog& log,
                    std::string_view decimalSeparator = ".");

// The room a record takes besides its token: the blank, a "-", 15 digits
// and the line feed.
constexpr std::size_t kRecordRoomBesideToken = 18;

// Writes the record "<token> <time>\n" at `at`, which has room for it, and
// returns its end. `wholeMs` is below 1E+15 in magnitude, so the time is
// its digits, exactly as the general form writes a whole number.
inline char* WriteRecord(char* at, std::string_view token, std::int64_t wholeMs, WholeNumberWriter& numbers) {
    // Nearly every token is one letter.
    if (token.size() == 1)
        *at++ = token[0];
    else
        at += token.copy(at, token.size());
    *at++ = ' ';
    at = numbers.Write(at, wholeMs);
    *at++ = '\n';
    return at;
}

// The log line of an arrow, "<prefix><token>@<time> beat=<beat> bpmc=<beat × 4>",
// with the time exactly as its record writes it.
std::string ArrowLine(std::string_view prefix, std::string_view token, std::string_view time, double beat,
                      std::string_view decimalSeparator);

}  // namespace stepquill
