#pragma once

#include <array>
#include <string>
#include <string_view>

namespace stepquill {

// The tokens chosen for the arrows that have no button of their own.
struct ArrowTokens {
    std::string UpLeft = "A";     // "7"
    std::string UpRight = "Y";    // "9"
    std::string DownLeft = "X";   // "1"
    std::string DownRight = "B";  // "3"
    std::string UpDown = "Y";     // "A"
    std::string LeftRight = "A";  // "B"
};

// The tokens an arrow without a button of its own may be given, in the order
// they are offered.
inline constexpr std::array<std::string_view, 6> kTokenChoices{"A", "B", "X", "Y", "L", "R"};

// The button token of a DWI step character; " " for anything without one.
// The step text is shortened in place to its first character.
std::string GetStep2x(std::string& stepText, const ArrowTokens& tokens);

// The panels a step character covers, one bit each, so that a freeze on a
// panel can be matched with the arrow that ends it. 0 for a character that
// covers none.
unsigned PanelsOf(char step);
// The step character of a single panel: "8", "2", "4", "6", "C" or "D".
char StepOfPanel(unsigned panel);

}  // namespace stepquill
