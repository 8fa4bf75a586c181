#include "text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "whole_number.h"

namespace stepquill {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

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
