#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace stepquill {

// Reads the number that a text begins with: blanks, tabs and line feeds
// anywhere are ignored; sign, digits with one ".", and an exponent written
// with E or D. A text without a leading number gives 0. Never depends on the
// locale.
double ParseLeadingNumber(std::string_view text);

// Writes a double in the general form: at most 15 significant digits, no
// trailing zeros, exponent form (1E+15, 1E-05) for magnitudes from 1E+15 up
// and below 1E-4. `decimalSeparator` replaces the "." of the fixed form.
std::string FormatNumber(double value, std::string_view decimalSeparator = ".");
// The same text added at the end of `text`, without a string of its own.
void AppendNumber(std::string& text, double value, std::string_view decimalSeparator = ".");

// Writes the digits of a whole number, with a "-" before a negative one, at
// `at`, and returns their end. It may write scratch bytes after them, up to
// the ninth from `at`: `at` must have room for 20 characters, or, for a
// number below 1E+15 in magnitude, for 16.
char* WriteWholeNumber(char* at, std::int64_t value);

// Writes whole numbers one after another, each as WriteWholeNumber does.
// The times of a long part share their leading digits from one record to
// the next, so the digits above the last eight are kept from the number
// before rather than worked out again for every one.
class WholeNumberWriter {
public:
    char* Write(char* at, std::int64_t value);

private:
    std::uint64_t high_ = 0;      // the kept digits' value, the number / 10^8
    std::uint64_t highText_ = 0;  // those digits as written, in one word
    int highLength_ = 0;          // how many; 0 while none are kept
};

// Splits at every separator, keeping empty pieces; an empty text gives none.
std::vector<std::string> SplitText(std::string_view text, char separator);

bool Contains(std::string_view text, std::string_view part);

}  // namespace stepquill
