#include "arrow_mapping.h"

namespace stepquill {

std::string GetStep2x(std::string& stepText, const ArrowTokens& tokens) {
    if (stepText.size() > 1) stepText.resize(1);
    if (stepText.empty()) return " ";
    // The digits lie as on a numeric keypad; "A" and "B" are the two jumps.
    switch (stepText[0]) {
        case '1': return tokens.DownLeft;
        case '2': return "X";
        case '3': return tokens.DownRight;
        case '4': return "A";
        case '6': return "B";
        case '7': return tokens.UpLeft;
        case '8': return "Y";
        case '9': return tokens.UpRight;
        case 'A': return tokens.UpDown;
        case 'B': return tokens.LeftRight;
        case 'C': return "L";
        case 'D': return "R";
        default: return " ";
    }
}

}  // namespace stepquill
