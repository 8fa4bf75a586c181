#pragma once

#include <string>
#include <string_view>

#include "arrow_tokens.h"
#include "fuzz_input.h"

namespace stepquill {

// Values that real runs are given, so that most inputs reach the step data;
// FuzzInput::TakeChoice mixes in arbitrary ones.
inline constexpr std::string_view kPartNames[] = {"BASIC", "MANIAC", "ANOTHER", "SMANIAC",
                                                  "BEGINNER", ""};
inline constexpr std::string_view kSeparators[] = {".", ","};

inline ArrowTokens TakeTokens(FuzzInput& input) {
    // Short tokens only: the front ends offer one-letter ones, and long ones
    // would only make the timing text as large as the memory allows.
    constexpr std::string_view kTokens[] = {"A", "B", "X", "Y", "L", "R"};
    ArrowTokens tokens;
    for (std::string* token : {&tokens.UpLeft, &tokens.UpRight, &tokens.DownLeft,
                               &tokens.DownRight, &tokens.UpDown, &tokens.LeftRight})
        *token = input.TakeChoice(kTokens, 3);
    return tokens;
}

// Whether every record is one line of the timing text: an arbitrary token
// may hold a line feed of its own.
inline bool RecordsStayOnOneLine(const ArrowTokens& tokens) {
    for (const std::string* token : {&tokens.UpLeft, &tokens.UpRight, &tokens.DownLeft,
                                     &tokens.DownRight, &tokens.UpDown, &tokens.LeftRight})
        if (token->find('\n') != std::string::npos) return false;
    return true;
}

}  // namespace stepquill
