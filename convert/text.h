#pragma once

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

// Splits at every separator, keeping empty pieces; an empty text gives none.
std::vector<std::string> SplitText(std::string_view text, char separator);

bool Contains(std::string_view text, std::string_view part);

}  // namespace stepquill
