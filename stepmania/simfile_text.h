#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text.h"

namespace stepquill::stepmania {

// Without CR, LF, TAB and SPACE at both ends.
std::string_view Trim(std::string_view text);
std::string AsciiLower(std::string_view text);

// The number a text begins with, as the game reads it: C white space
// skipped, then the longest decimal (or hexadecimal) number; no number, an
// infinite one or one out of range gives 0. Never depends on the locale.
double ReadNumber(std::string_view text);
// The same in single precision, as the game keeps a file's version.
float ReadSinglePrecision(std::string_view text);
// A whole number: white space, sign and digits; none, or one outside 32
// bits, gives 0.
int ReadInteger(std::string_view text);

// A beat as the timing lists write it. A beat written as a row count ("r96")
// is read as that many negative beats, as the game does.
double ReadBeat(std::string_view text);

// Calls `take` with the pieces of `whole` between separators, dropping the
// empty ones.
template <typename Take>
void ForEachPiece(std::string_view whole, char separator, Take&& take) {
    std::size_t start = 0;
    while (start <= whole.size()) {
        std::size_t end = whole.find(separator, start);
        if (end == std::string_view::npos) end = whole.size();
        if (end > start) take(whole.substr(start, end - start));
        start = end + 1;
    }
}

// Calls `take` with the parts of each entry of a timing list: the list split
// at ",", then each entry at "=", dropping empty pieces at both levels. The
// parts are handed over in one vector that is reused, so a list of a
// million entries costs no allocation per entry.
template <typename Take>
void ForEachListEntry(std::string_view text, Take&& take) {
    std::vector<std::string_view> parts;
    ForEachPiece(text, ',', [&](std::string_view entry) {
        parts.clear();
        ForEachPiece(entry, '=', [&](std::string_view part) { parts.push_back(part); });
        if (!parts.empty()) take(static_cast<const std::vector<std::string_view>&>(parts));
    });
}

}  // namespace stepquill::stepmania
