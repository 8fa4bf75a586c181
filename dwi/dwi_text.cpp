#include "dwi_text.h"

#include <charconv>
#include <cmath>
#include <string>

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
