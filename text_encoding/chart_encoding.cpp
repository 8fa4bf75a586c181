#include "chart_encoding.h"

#include <algorithm>

namespace stepquill {

namespace {

// The readings keep a text up to 1 MiB, its tag included: a text that the
// limit may have cut is at least this long. A shorter one ends where the
// chart's text ends, and a lone lead byte there is a character of its own,
// such as the "é" that ends a Windows-1252 "Café".
constexpr std::size_t kShortestCutText = (std::size_t{1} << 20) - 64;

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

// A byte from 0x81 to 0x9F or 0xE0 to 0xFC begins a two-byte Shift-JIS
// character; the one-byte characters are ASCII and the katakana 0xA1 to 0xDF.
bool IsShiftJisLead(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// In a valid Shift-JIS text a lead byte can only be part of a two-byte
// character, as its first byte or its second.
bool HoldsTwoByteCharacter(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), IsShiftJisLead);
}

// How many bytes at the end of `piece` are the beginning of a UTF-8
// character that the piece stops before finishing: a lead byte and the
// continuation bytes that may follow it, one to three bytes in all.
std::size_t Utf8CutBytes(std::string_view piece) {
    const auto byteAt = [piece](std::size_t back) { return static_cast<unsigned char>(piece[piece.size() - back]); };
    for (std::size_t back = 1; back <= 3 && back <= piece.size(); ++back) {
        const unsigned char byte = byteAt(back);
        if ((byte & 0xC0) == 0x80) continue;
        const std::size_t length = byte >= 0xC2 && byte <= 0xDF   ? 2
                                   : byte >= 0xE0 && byte <= 0xEF ? 3
                                   : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                                  : 0;
        if (back >= length) return 0;
        if (back == 1) return 1;
        // The leads that allow only part of the continuation range, so that
        // no character has two forms and none is a surrogate or beyond U+10FFFF.
        const unsigned char second = byteAt(back - 1);
        const bool fits = byte == 0xE0   ? second >= 0xA0
                          : byte == 0xED ? second <= 0x9F
                          : byte == 0xF0 ? second >= 0x90
                          : byte == 0xF4 ? second <= 0x8F
                                         : true;
        return fits ? back : 0;
    }
    return 0;
}

// 1 when `piece` ends in the lead byte of a Shift-JIS character whose second
// byte it lacks. A lead byte may also be the second byte of a character, so
// the piece is walked from its start.
std::size_t ShiftJisCutBytes(std::string_view piece) {
    std::size_t at = 0;
    while (at + 1 < piece.size()) at += IsShiftJisLead(piece[at]) ? 2 : 1;
    return at + 1 == piece.size() && IsShiftJisLead(piece[at]) ? 1 : 0;
}

// The header without the cut character at the end of each of its texts,
// and whether any was cut.
struct Uncut {
    std::string Bytes;
    bool AnyCut = false;
};

Uncut WithoutCutEnds(std::string_view headerBytes, std::size_t (*cutBytes)(std::string_view)) {
    Uncut uncut;
    uncut.Bytes.reserve(headerBytes.size());
    for (std::size_t start = 0; start <= headerBytes.size();) {
        const std::size_t end = std::min(headerBytes.find('\n', start), headerBytes.size());
        const std::string_view piece = headerBytes.substr(start, end - start);
        const std::size_t cut = piece.size() >= kShortestCutText ? cutBytes(piece) : 0;
        uncut.AnyCut = uncut.AnyCut || cut > 0;
        uncut.Bytes.append(piece.substr(0, piece.size() - cut));
        if (end < headerBytes.size()) uncut.Bytes += '\n';
        start = end + 1;
    }
    return uncut;
}

// A reading keeps a long text only up to its limit, which may cut the last
// character in two; that cut does not speak against the text's encoding.
// Texts that are plain ASCII once the cut end is left out show nothing of
// their encoding, though: the byte cut off may as well be a whole
// Windows-1252 character.
bool IsUtf8(std::string_view headerBytes) {
    if (IsAscii(headerBytes) || IsValidIn("UTF-8", headerBytes)) return true;
    const Uncut uncut = WithoutCutEnds(headerBytes, Utf8CutBytes);
    return uncut.AnyCut && !IsAscii(uncut.Bytes) && IsValidIn("UTF-8", uncut.Bytes);
}

bool IsShiftJis(std::string_view headerBytes) {
    const Uncut uncut = WithoutCutEnds(headerBytes, ShiftJisCutBytes);
    return HoldsTwoByteCharacter(uncut.Bytes) && IsValidIn("CP932", uncut.Bytes);
}

}  // namespace

std::string GuessChartEncoding(std::string_view headerBytes) {
    if (IsUtf8(headerBytes)) return "UTF-8";
    if (IsShiftJis(headerBytes)) return "CP932";
    return "CP1252";
}

std::string ChartHeaderBytes(const ChartInfo& info) {
    // One text a line, so that the guess knows where each one ends.
    std::string bytes = FullTitle(info) + "\n" + info.Artist;
    for (const Difficulty& difficulty : info.Difficulties) bytes += "\n" + difficulty.DisplayText;
    return bytes;
}

std::optional<TextDecoder> ChartTextDecoder(std::string_view headerBytes, const std::string& encoding) {
    return TextDecoder::Open(encoding.empty() ? GuessChartEncoding(headerBytes) : encoding);
}

}  // namespace stepquill
