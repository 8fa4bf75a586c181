#include "text.h"

#include <emmintrin.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "whole_number.h"

namespace stepquill {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace


void AppendNumber(std::string& text, double value, std::string_view decimalSeparator) {
    if (std::isnan(value)) {
        text += "NaN";
        return;
    }
    if (std::isinf(value)) {
        text += value < 0 ? "-Infinity" : "Infinity";
        return;
    }
    if (value == 0) {
        text += '0';
        return;
    }
    // A whole number below 1E+15 has at most 15 digits, all of them exact, so
    // its general form is the plain integer. Every record's time is one, and
    // this spares them the rounding below.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        char whole[24];
        text.append(whole, WriteWholeNumber(whole, static_cast<std::int64_t>(value)));
        return;
    }

    // 15 significant digits, rounded, as d.dddddddddddddde±x.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                std::chars_format::scientific, 14);
    std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    std::size_t e = scientific.find('e');
    char digitBuffer[24];
    std::size_t count = 0;
    for (char c : scientific.substr(0, e))
        if (c != '.') digitBuffer[count++] = c;
    const char* exponentText = scientific.data() + e + 1;
    if (*exponentText == '+') ++exponentText;
    int exponent = 0;
    std::from_chars(exponentText, scientific.data() + scientific.size(), exponent);
    while (count > 1 && digitBuffer[count - 1] == '0') --count;
    const std::string_view digits(digitBuffer, count);

    if (value < 0) text += '-';
    if (exponent >= 15 || exponent < -4) {
        text += digits[0];
        if (digits.size() > 1) {
            text += decimalSeparator;
            text += digits.substr(1);
        }
        text += exponent < 0 ? "E-" : "E+";
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) text += '0';
        text += std::to_string(magnitude);
        return;
    }
    if (exponent < 0) {
        text += '0';
        text += decimalSeparator;
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
        return;
    }
    std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole) {
        text += digits;
        text.append(whole - digits.size(), '0');
        return;
    }
    text += digits.substr(0, whole);
    text += decimalSeparator;
    text += digits.substr(whole);
}

std::string FormatNumber(double value, std::string_view decimalSeparator) {
    std::string text;
    AppendNumber(text, value, decimalSeparator);
    return text;
}



bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && EqualsIgnoringCase(text.substr(text.size() - ending.size()), ending);
}

std::size_t CountLineFeeds(std::string_view text) {
    // Sixteen bytes at a time: each line feed takes one off a byte of
    // `counts` (a match is all ones), and before any byte could wrap, after
    // 255 rounds, the bytes are summed into `total`.
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const char* from = text.data();
    const char* const end = from + text.size();
    std::size_t lines = 0;
    while (end - from >= 16) {
        const std::size_t rounds = std::min<std::size_t>(255, static_cast<std::size_t>(end - from) / 16);
        __m128i counts = _mm_setzero_si128();
        for (std::size_t i = 0; i < rounds; ++i, from += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(bytes, lineFeed));
        }
        const __m128i total = _mm_sad_epu8(counts, _mm_setzero_si128());
        lines += static_cast<std::size_t>(_mm_cvtsi128_si64(total)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(total, total)));
    }
    return lines + static_cast<std::size_t>(std::count(from, end, '\n'));
}

}  // namespace stepquill
