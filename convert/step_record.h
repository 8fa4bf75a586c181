#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "whole_number.h"

namespace stepquill {

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

// How a log line gives an arrow's position: DWI charts count their tempo
// changes in quarter beats, so their lines give both.
enum class BeatStyle { BeatAndQuarterBeats, BeatOnly };

// The log line of an arrow, "<prefix><token>@<time> beat=<beat> bpmc=<beat × 4>"
// (without the bpmc part for BeatOnly), with the time exactly as its record
// writes it.
std::string ArrowLine(std::string_view prefix, std::string_view token, std::string_view time, double beat,
                      std::string_view decimalSeparator, BeatStyle style = BeatStyle::BeatAndQuarterBeats);

}  // namespace stepquill
