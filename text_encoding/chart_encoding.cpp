#include "chart_encoding.h"

#include <algorithm>

namespace stepquill {

namespace {

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

// In a valid Shift-JIS text the one-byte characters are ASCII and the
// katakana 0xA1 to 0xDF: a byte from 0x81 to 0x9F or 0xE0 to 0xFC can only
// be part of a two-byte character, as its first byte or its second.
bool HoldsTwoByteCharacter(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    });
}

}  // namespace

std::string GuessChartEncoding(std::string_view headerBytes) {
    if (IsAscii(headerBytes) || IsValidIn("UTF-8", headerBytes)) return "UTF-8";
    if (IsValidIn("CP932", headerBytes) && HoldsTwoByteCharacter(headerBytes)) return "CP932";
    return "CP1252";
}

std::string ChartHeaderBytes(const ChartInfo& info) {
    std::string bytes = FullTitle(info) + "\n" + info.Artist;
    for (const Difficulty& difficulty : info.Difficulties) bytes += "\n" + difficulty.DisplayText;
    return bytes;
}

std::optional<TextDecoder> ChartTextDecoder(std::string_view headerBytes, const std::string& encoding) {
    return TextDecoder::Open(encoding.empty() ? GuessChartEncoding(headerBytes) : encoding);
}

}  // namespace stepquill
