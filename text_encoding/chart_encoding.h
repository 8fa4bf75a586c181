#pragma once

#include <string>
#include <string_view>

#include "chart_info.h"
#include "text_decoder.h"

namespace stepquill {

// The encoding a chart's texts are written in, by the C library's name:
// "UTF-8" when the bytes are valid UTF-8; "CP932" (Shift-JIS as Windows
// writes it) when they are valid there and hold at least one two-byte
// character; otherwise "CP1252", which gives every byte a character.
// `headerBytes` holds one text a line; a character cut off at the end of a
// line as long as a reading's 1 MiB limit leaves it is not held against
// UTF-8 or CP932 when the rest of the texts show that encoding.
std::string GuessChartEncoding(std::string_view headerBytes);

// The header texts a reading found, all together, one a line, so that one
// chart is decided once and its title and artist never disagree.
std::string ChartHeaderBytes(const ChartInfo& info);

// The decoder for the guessed encoding, or for `encoding` when not empty;
// none when the C library knows no such encoding.
std::optional<TextDecoder> ChartTextDecoder(std::string_view headerBytes, const std::string& encoding = {});

}  // namespace stepquill
