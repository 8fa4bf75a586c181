#pragma once

#include <string>

#include "arrow_tokens.h"

namespace stepquill {

// The panels a DWI step character covers. The digits lie as on a numeric
// keypad ("8" up, "1" down-left), "A" is up and down at once, "B" left and
// right, "C" and "D" the six-panel arrows. Every other character that makes
// a step covers no panel and still gets a record: kNoPanel, with a blank
// token.
unsigned PanelsOfStep(char step);

// The button token of a DWI step character; " " for anything without one.
// The step text is shortened in place to its first character.
std::string GetStep2x(std::string& stepText, const ArrowTokens& tokens);

}  // namespace stepquill
