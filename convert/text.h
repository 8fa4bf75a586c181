#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace stepquill {

// Writes a double in the general form: at most 15 significant digits, no
// trailing zeros, exponent form (1E+15, 1E-05) for magnitudes from 1E+15 up
// and below 1E-4. `decimalSeparator` replaces the "." of the fixed form.
std::string FormatNumber(double value, std::string_view decimalSeparator = ".");
// The same text added at the end of `text`, without a string of its own.
void AppendNumber(std::string& text, double value, std::string_view decimalSeparator = ".");

// ASCII letters compared without regard to case; other bytes exactly.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool EndsWithIgnoringCase(std::string_view text, std::string_view ending);

// How many line feeds `text` holds: the lines of a block of records.
std::size_t CountLineFeeds(std::string_view text);

}  // namespace stepquill
