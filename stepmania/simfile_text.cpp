#include "simfile_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

namespace stepquill::stepmania {

namespace {

bool IsTrimmed(char c) { return c == '\r' || c == '\n' || c == '\t' || c == ' '; }
bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The longest number at the start of `text`, in the given precision.
// Where a number's digits start: after C white space and one sign.
std::size_t SkipSpaceAndSign(std::string_view text, bool& negative) {
    std::size_t at = 0;
    while (at < text.size() && IsCSpace(text[at])) ++at;
    negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    return at;
}

template <typename Number>
Number ReadLeading(std::string_view text) {
    bool negative;
    std::size_t at = SkipSpaceAndSign(text, negative);
    // from_chars takes neither a "+" nor a "0x", and reads the rest exactly
    // as the C library does in the "C" locale.
    std::chars_format format = std::chars_format::general;
    if (text.size() - at > 2 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        const char next = text[at + 2];
        if (IsDigit(next) || (LowerAscii(next) >= 'a' && LowerAscii(next) <= 'f') || next == '.') {
            format = std::chars_format::hex;
            at += 2;
        }
    }
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) return 0;
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value, format);
    if (error != std::errc() || !std::isfinite(value)) return 0;
    (void)end;
    return negative ? -value : value;
}

}  // namespace

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
    return text;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = LowerAscii(c);
    return lower;
}

double ReadNumber(std::string_view text) { return ReadLeading<double>(text); }

float ReadSinglePrecision(std::string_view text) { return ReadLeading<float>(text); }

int ReadInteger(std::string_view text) {
    bool negative;
    std::size_t at = SkipSpaceAndSign(text, negative);
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at, ++digits) {
        value = value * 10 + (text[at] - '0');
        if (value > std::int64_t{INT_MAX} + 1) return 0;
    }
    if (digits == 0) return 0;
    value = negative ? -value : value;
    return value < INT_MIN || value > INT_MAX ? 0 : static_cast<int>(value);
}

double ReadBeat(std::string_view text) {
    std::string_view stripped = text;
    for (char mark : {'r', 'R'}) {
        while (!stripped.empty() && stripped.front() == mark) stripped.remove_prefix(1);
        while (!stripped.empty() && stripped.back() == mark) stripped.remove_suffix(1);
    }
    if (stripped.size() == text.size()) return ReadNumber(text);
    // A row count, divided by the rows per beat that the game leaves at -1.
    return -ReadNumber(stripped);
}

}  // namespace stepquill::stepmania
