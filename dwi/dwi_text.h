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

// Splits at every separator, keeping empty pieces; an empty text gives none.
std::vector<std::string> SplitText(std::string_view text, char separator);

bool Contains(std::string_view text, std::string_view part);

}  // namespace stepquill
