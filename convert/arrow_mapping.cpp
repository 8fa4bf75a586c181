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

namespace {

enum Panel : unsigned { kUp = 1, kDown = 2, kLeft = 4, kRight = 8, kPanelC = 16, kPanelD = 32 };

}  // namespace

unsigned PanelsOf(char step) {
    switch (step) {
        case '1': return kDown | kLeft;
        case '2': return kDown;
        case '3': return kDown | kRight;
        case '4': return kLeft;
        case '6': return kRight;
        case '7': return kUp | kLeft;
        case '8': return kUp;
        case '9': return kUp | kRight;
        case 'A': return kUp | kDown;
        case 'B': return kLeft | kRight;
        case 'C': return kPanelC;
        case 'D': return kPanelD;
        default: return 0;
    }
}

char StepOfPanel(unsigned panel) {
    switch (panel) {
        case kUp: return '8';
        case kDown: return '2';
        case kLeft: return '4';
        case kRight: return '6';
        case kPanelC: return 'C';
        case kPanelD: return 'D';
        default: return ' ';
    }
}

}  // namespace stepquill
