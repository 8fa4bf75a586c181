#include "arrow_tokens.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace stepquill {

std::array<std::string, kPanelSets> TokenTable(const ArrowTokens& tokens) {
    const std::pair<unsigned, std::string_view> buttons[] = {
        {kLeft, "A"},
        {kDown, "X"},
        {kUp, "Y"},
        {kRight, "B"},
        {kPanelC, "L"},
        {kPanelD, "R"},
        {kUp | kLeft, tokens.UpLeft},
        {kUp | kRight, tokens.UpRight},
        {kDown | kLeft, tokens.DownLeft},
        {kDown | kRight, tokens.DownRight},
        {kUp | kDown, tokens.UpDown},
        {kLeft | kRight, tokens.LeftRight},
    };
    std::array<std::string, kPanelSets> table;
    table.fill(std::string(1, ' '));
    // Built anew rather than assigned: g++ 12 warns falsely of overlapping
    // copies in an assignment here.
    for (const auto& [panels, token] : buttons) table[panels] = std::string(token);
    return table;
}

std::size_t LongestToken(const std::array<std::string, kPanelSets>& table) {
    std::size_t longest = 1;
    for (const std::string& token : table) longest = std::max(longest, token.size());
    return longest;
}

}  // namespace stepquill
