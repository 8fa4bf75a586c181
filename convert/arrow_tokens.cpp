#include "arrow_tokens.h"

#include <algorithm>

namespace stepquill {

std::array<std::string, kPanelSets> TokenTable(const ArrowTokens& tokens) {
    std::array<std::string, kPanelSets> table;
    table.fill(" ");
    table[kLeft] = "A";
    table[kDown] = "X";
    table[kUp] = "Y";
    table[kRight] = "B";
    table[kPanelC] = "L";
    table[kPanelD] = "R";
    table[kUp | kLeft] = tokens.UpLeft;
    table[kUp | kRight] = tokens.UpRight;
    table[kDown | kLeft] = tokens.DownLeft;
    table[kDown | kRight] = tokens.DownRight;
    table[kUp | kDown] = tokens.UpDown;
    table[kLeft | kRight] = tokens.LeftRight;
    return table;
}

std::size_t LongestToken(const std::array<std::string, kPanelSets>& table) {
    std::size_t longest = 1;
    for (const std::string& token : table) longest = std::max(longest, token.size());
    return longest;
}

}  // namespace stepquill
