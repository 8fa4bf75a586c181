// Step characters to button tokens.
#include <gtest/gtest.h>

#include <string>

#include "step_characters.h"

namespace stepquill {
namespace {

std::string Token(std::string step, const ArrowTokens& tokens) { return GetStep2x(step, tokens); }

ArrowTokens Distinct() {
    ArrowTokens t;
    t.UpLeft = "ul";
    t.UpRight = "ur";
    t.DownLeft = "dl";
    t.DownRight = "dr";
    t.UpDown = "ud";
    t.LeftRight = "lr";
    return t;
}

TEST(GetStep2x, MapsEveryStepCharacter) {
    const ArrowTokens tokens = Distinct();
    const struct {
        const char* step;
        const char* token;
    } cases[] = {
        {"0", " "},  {"1", "dl"}, {"2", "X"}, {"3", "dr"}, {"4", "A"}, {"5", " "},
        {"6", "B"},  {"7", "ul"}, {"8", "Y"}, {"9", "ur"}, {"A", "ud"}, {"B", "lr"},
        {"C", "L"},  {"D", "R"},  {"E", " "}, {"a", " "}, {"b", " "}, {"c", " "},
        {" ", " "},  {"", " "},   {";", " "}, {"#", " "}, {"(", " "}, {"\xE9", " "},
        {"7X", "ul"}, {"8C", "Y"}, {"X7", " "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Token(c.step, tokens), c.token) << "step \"" << c.step << "\"";
    }
}

TEST(GetStep2x, DefaultChoicesOfTheWindow) {
    const ArrowTokens defaults;
    EXPECT_EQ(Token("7", defaults), "A");
    EXPECT_EQ(Token("9", defaults), "Y");
    EXPECT_EQ(Token("1", defaults), "X");
    EXPECT_EQ(Token("3", defaults), "B");
    EXPECT_EQ(Token("A", defaults), "Y");
    EXPECT_EQ(Token("B", defaults), "A");
}

TEST(GetStep2x, UsesAChosenTokenWhole) {
    ArrowTokens tokens;
    tokens.UpLeft = "";
    tokens.UpRight = "LONG";
    EXPECT_EQ(Token("7", tokens), "");
    EXPECT_EQ(Token("9", tokens), "LONG");
}

TEST(GetStep2x, ShortensTheStepTextToItsFirstCharacter) {
    const ArrowTokens tokens;
    std::string step = "7X";
    EXPECT_EQ(GetStep2x(step, tokens), "A");
    EXPECT_EQ(step, "7");
    std::string empty;
    EXPECT_EQ(GetStep2x(empty, tokens), " ");
    EXPECT_EQ(empty, "");
}

}  // namespace
}  // namespace stepquill
