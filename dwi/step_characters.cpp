#include "step_characters.h"

namespace stepquill {

unsigned PanelsOfStep(char step) {
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
        default: return kNoPanel;
    }
}

std::string GetStep2x(std::string& stepText, const ArrowTokens& tokens) {
    if (stepText.size() > 1) stepText.resize(1);
    if (stepText.empty()) return " ";
    return TokenTable(tokens)[PanelsOfStep(stepText[0])];
}

}  // namespace stepquill
