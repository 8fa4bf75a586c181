#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace stepquill {

// The panels a note covers, a bit each, in the order of a pad from left to
// right. Panel C and D are the two extra arrows of a six-panel part; a step
// that names no panel at all still makes a record, with a blank token.
enum Panel : unsigned {
    kLeft = 1,
    kDown = 2,
    kUp = 4,
    kRight = 8,
    kPanelC = 16,
    kPanelD = 32,
    kNoPanel = 64,
};
inline constexpr unsigned kPanelSets = 128;

// How many panels a set holds: a loop as long as the set, which is short,
// and no call where the processor has no instruction for it.
constexpr int PanelCount(unsigned panels) {
    int count = 0;
    for (; panels != 0; panels &= panels - 1) ++count;
    return count;
}

// The buttons a record can name; the six choosable tokens take one of them.
inline constexpr std::array<std::string_view, 6> kTokenChoices = {"A", "B", "X", "Y", "L", "R"};

// The tokens chosen for the pairs of panels that have no button of their own.
struct ArrowTokens {
    std::string UpLeft = "A";
    std::string UpRight = "Y";
    std::string DownLeft = "X";
    std::string DownRight = "B";
    std::string UpDown = "Y";
    std::string LeftRight = "A";
};

// The token of every set of panels that one record names: a single panel
// has its own button (left A, down X, up Y, right B, C L, D R), a pair the
// token chosen for it; every other set " ".
std::array<std::string, kPanelSets> TokenTable(const ArrowTokens& tokens);

// The longest token of a table, which bounds the room a record needs.
std::size_t LongestToken(const std::array<std::string, kPanelSets>& table);

}  // namespace stepquill
