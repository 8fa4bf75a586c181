#include "text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace stepquill {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// Digits of a number below 10^8, which fits 32 bits, where division by a
// constant is a cheap multiplication.
int CountDigitsBelow1e8(std::uint32_t value) {
    if (value < 10000) return value < 100 ? (value < 10 ? 1 : 2) : (value < 1000 ? 3 : 4);
    return value < 1000000 ? (value < 100000 ? 5 : 6) : (value < 10000000 ? 7 : 8);
}

// The eight digits of a number below 10^8, leading zeros included, one byte
// each (0 to 9) in the order they are written. On a little-endian machine
// all eight are split at once inside one word: the two halves of four
// digits, then the four pairs, then the eight digits, each step a multiply
// and a shift that cannot carry from one part of the word into the next.
std::uint64_t EightDigitValues(std::uint32_t value) {
    if constexpr (kLittleEndian) {
        const std::uint64_t halves = (value / 10000) | (static_cast<std::uint64_t>(value % 10000) << 32);
        const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007FULL;  // x / 100
        const std::uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);
        const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;  // x / 10
        return tens | ((pairs - tens * 10) << 8);
    } else {
        const std::uint32_t high = value / 10000;
        const std::uint32_t low = value % 10000;
        char digits[8];
        std::memcpy(digits, kDigitPairs + (high / 100) * 2, 2);
        std::memcpy(digits + 2, kDigitPairs + (high % 100) * 2, 2);
        std::memcpy(digits + 4, kDigitPairs + (low / 100) * 2, 2);
        std::memcpy(digits + 6, kDigitPairs + (low % 100) * 2, 2);
        std::uint64_t word;
        std::memcpy(&word, digits, sizeof word);
        return word - 0x3030303030303030ULL;
    }
}

constexpr std::uint64_t kZeros = 0x3030303030303030ULL;  // eight "0"

// Writes eight bytes at `at`: the digits of `value`, below 10^8, without
// leading zeros, and scratch after them.
char* WriteBelow1e8(char* at, std::uint32_t value) {
    const std::uint64_t digits = EightDigitValues(value);
    // The leading zeros are the zero bytes before the first digit that is
    // not; shifting them out moves the digits to the word's first bytes.
    int count;
    if constexpr (kLittleEndian)
        count = digits == 0 ? 1 : 8 - std::countr_zero(digits) / 8;
    else
        count = CountDigitsBelow1e8(value);
    const int zeroBits = 8 * (8 - count);
    const std::uint64_t word = (kLittleEndian ? digits >> zeroBits : digits << zeroBits) + kZeros;
    std::memcpy(at, &word, sizeof word);
    return at + count;
}

// The eight digits of `value`, below 10^8, leading zeros included.
char* WriteEightDigits(char* at, std::uint32_t value) {
    const std::uint64_t word = EightDigitValues(value) + kZeros;
    std::memcpy(at, &word, sizeof word);
    return at + 8;
}

char* WriteUnsigned(char* at, std::uint64_t value) {
    constexpr std::uint64_t kGroup = 100000000;
    if (value < kGroup) return WriteBelow1e8(at, static_cast<std::uint32_t>(value));
    // Every time of a record has at most two groups of eight digits.
    if (value < kGroup * kGroup) {
        at = WriteBelow1e8(at, static_cast<std::uint32_t>(value / kGroup));
        return WriteEightDigits(at, static_cast<std::uint32_t>(value % kGroup));
    }
    at = WriteUnsigned(at, value / kGroup);
    return WriteEightDigits(at, static_cast<std::uint32_t>(value % kGroup));
}

}  // namespace

char* WriteWholeNumber(char* at, std::int64_t value) {
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) {
        *at++ = '-';
        magnitude = 0 - magnitude;
    }
    return WriteUnsigned(at, magnitude);
}

char* WholeNumberWriter::Write(char* at, std::int64_t value) {
    constexpr std::uint64_t kGroup = 100000000;
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) {
        *at++ = '-';
        magnitude = 0 - magnitude;
    }
    if (magnitude < kGroup || magnitude >= kGroup * kGroup) return WriteUnsigned(at, magnitude);
    const std::uint64_t high = magnitude / kGroup;
    if (highLength_ == 0 || high != high_) {
        char text[8];
        highLength_ = static_cast<int>(WriteBelow1e8(text, static_cast<std::uint32_t>(high)) - text);
        std::memcpy(&highText_, text, sizeof highText_);
        high_ = high;
    }
    std::memcpy(at, &highText_, sizeof highText_);
    return WriteEightDigits(at + highLength_, static_cast<std::uint32_t>(magnitude - high * kGroup));
}

double ParseLeadingNumber(std::string_view text) {
    // Gather the number's characters into a plain form that from_chars reads;
    // blanks inside the number are ignored wherever they stand.
    std::string number;
    std::size_t i = 0;
    auto skipIgnored = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    };
    skipIgnored();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool seenPoint = false;
    bool seenDigit = false;
    for (skipIgnored(); i < text.size(); skipIgnored()) {
        char c = text[i];
        if (IsDigit(c)) {
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        number += c;
        ++i;
    }
    if (!seenDigit) return 0;
    // An exponent counts only when at least one digit follows it.
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        auto skipAt = [&] {
            while (j < text.size() && (text[j] == ' ' || text[j] == '\t' || text[j] == '\n')) ++j;
        };
        skipAt();
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        bool exponentDigit = false;
        for (skipAt(); j < text.size() && IsDigit(text[j]); skipAt()) {
            exponent += text[j++];
            exponentDigit = true;
        }
        if (exponentDigit) number += exponent;
    }
    if (number.front() == '.') number.insert(number.begin(), '0');
    double value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when out of range; give what the
        // magnitude says: infinity for too large, zero for too small.
        std::size_t e = number.find('e');
        bool tiny = e != std::string::npos && number[e + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    }
    (void)end;
    return negative ? -value : value;
}

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

std::vector<std::string> SplitText(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    std::size_t start = 0;
    while (true) {
        std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

bool Contains(std::string_view text, std::string_view part) {
    // An empty text is contained in every non-empty line and in no empty one.
    if (text.empty()) return false;
    return text.find(part) != std::string_view::npos;
}

}  // namespace stepquill
