// Number reading and writing, and splitting of texts.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "text.h"
#include "dwi_text.h"
#include "whole_number.h"

namespace stepquill {
namespace {

struct ParseCase {
    const char* text;
    double expected;
};

TEST(ParseLeadingNumber, ReadsTheNumberATextBeginsWith) {
    const ParseCase cases[] = {
        {"150.000;", 150},
        {":12", 0},
        {"", 0},
        {"abc", 0},
        {"-120", -120},
        {"+5", 5},
        {"12abc", 12},
        {"1.5.3", 1.5},
        {".5", 0.5},
        {"-.25", -0.25},
        {".", 0},
        {"-", 0},
        {"1,5", 1},
        {"1 2 3", 123},
        {" \t\n4\n5;", 45},
        {"- 5", -5},
        {"1 . 5", 1.5},
        {"1E3", 1000},
        {"1D2", 100},
        {"2.5E-1", 0.25},
        {"3E+2x", 300},
        {"1E", 1},
        {"1E+", 1},
        {"7=300", 7},
        {"64.000=150.000", 64},
        {"300;", 300},
        {"0.0", 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ParseLeadingNumber(c.text), c.expected) << "text: \"" << c.text << "\"";
    }
}

TEST(ParseLeadingNumber, IsExactForDecimalFractions) {
    EXPECT_EQ(ParseLeadingNumber("145.5"), 145.5);
    EXPECT_EQ(ParseLeadingNumber("0.1"), 0.1);
    EXPECT_EQ(ParseLeadingNumber("-50.5"), -50.5);
    EXPECT_EQ(ParseLeadingNumber("108.65"), 108.65);
}

struct FormatCase {
    double value;
    const char* expected;
};

TEST(FormatNumber, WritesTheGeneralForm) {
    const FormatCase cases[] = {
        {0, "0"},
        {150, "150"},
        {145.5, "145.5"},
        {1.0 / 6.0, "0.166666666666667"},
        {-51, "-51"},
        {-0.5, "-0.5"},
        {0.25, "0.25"},
        {2.75, "2.75"},
        {0.1 + 0.2, "0.3"},
        {0.9999999999999999, "1"},
        {3.9999999999999996, "4"},
        {214.28571428571428, "214.285714285714"},
        {2.0 / 3.0, "0.666666666666667"},
        {123456789012345.0, "123456789012345"},
        {-123456789012345.0, "-123456789012345"},
        {1e15, "1E+15"},
        {1.5e15, "1.5E+15"},
        {1234567890123456.0, "1.23456789012346E+15"},
        {-1e15, "-1E+15"},
        {1e100, "1E+100"},
        {1e-5, "1E-05"},
        {-1e-5, "-1E-05"},
        {2.5e-7, "2.5E-07"},
        {1e-4, "0.0001"},
        {0.00012345, "0.00012345"},
        {1e-300, "1E-300"},
        {100, "100"},
        {1e14, "100000000000000"},
        {999999999999999.0, "999999999999999"},
        {-999999999999999.0, "-999999999999999"},
        {999999999999999.5, "1E+15"},
        {-1, "-1"},
        {-0.0, "0"},
        {9007199254740992.0, "9.00719925474099E+15"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.expected) << "value: " << c.value;
    }
}

// Digits are written eight at a time; the edges of those groups. One
// writer takes the numbers in turn, keeping the digits above the last eight
// from each number to the next.
TEST(WriteWholeNumber, WritesEveryDigit) {
    const struct {
        std::int64_t value;
        const char* expected;
    } cases[] = {
        {0, "0"}, {7, "7"}, {10, "10"}, {99999999, "99999999"}, {100000000, "100000000"},
        {100000099, "100000099"}, {-100000001, "-100000001"}, {1000000007, "1000000007"},
        {1099999999, "1099999999"}, {999999999999999, "999999999999999"},
        {10000000000000000, "10000000000000000"}, {INT64_MAX, "9223372036854775807"},
        {INT64_MIN, "-9223372036854775808"},
    };
    WholeNumberWriter writer;
    for (const auto& c : cases) {
        char text[24];
        EXPECT_EQ(std::string(text, WriteWholeNumber(text, c.value)), c.expected);
        EXPECT_EQ(std::string(text, writer.Write(text, c.value)), c.expected);
    }
}

// Times as a timing file has them: mostly a little above the one before,
// sometimes the same, now and then far above or below; the last digits'
// carries run through every digit and into the digits above them.
TEST(WholeNumberWriter, WritesSequencesAsPrintfDoes) {
    WholeNumberWriter writer;
    std::int64_t value = 99999000;
    for (int i = 0; i < 200000; ++i) {
        const int pick = i % 97;
        value += pick < 60 ? (i * 7919) % 1024 : pick < 80 ? 0 : pick < 90 ? 123456789 : -(i % 5000);
        if (i == 100000) value = 9999999999999000;
        char text[24];
        char expected[24];
        std::snprintf(expected, sizeof expected, "%lld", static_cast<long long>(value));
        ASSERT_EQ(std::string(text, writer.Write(text, value)), expected) << i;
    }
}

TEST(AppendNumber, AddsTheGeneralFormAfterWhatTheTextHolds) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "t=0"},          {150.0, "t=150"},       {-51.0, "t=-51"},
        {145.5, "t=145,5"},    {1.0 / 6.0, "t=0,166666666666667"},
        {1e15, "t=1E+15"},     {-1e-5, "t=-1E-05"},    {123456789012345.0, "t=123456789012345"},
    };
    for (const auto& c : cases) {
        std::string text = "t=";
        AppendNumber(text, c.value, ",");
        EXPECT_EQ(text, c.text) << c.value;
    }
}

TEST(FormatNumber, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(FormatNumber(145.5, ","), "145,5");
    EXPECT_EQ(FormatNumber(-0.25, ","), "-0,25");
    EXPECT_EQ(FormatNumber(150, ","), "150");
    EXPECT_EQ(FormatNumber(1.0 / 6.0, ","), "0,166666666666667");
    EXPECT_EQ(FormatNumber(145.5), "145.5");
}

struct SplitCase {
    const char* text;
    std::vector<std::string> pieces;
};

// A device's times in microseconds: steps of up to a second, across many
// multiples of 10^8 (whose upper digits the writer keeps), with negative
// times before the music and times too large to keep anything.
TEST(SpreadNumberWriter, WritesSequencesAsPrintfDoes) {
    SpreadNumberWriter writer;
    std::int64_t value = -2500000;
    for (int i = 0; i < 200000; ++i) {
        value += (static_cast<std::int64_t>(i) * 7919) % 1000000;
        if (i == 150000) value = 9999999999990000;
        if (i == 190000) value = -value;
        char text[24];
        char expected[24];
        std::snprintf(expected, sizeof expected, "%lld", static_cast<long long>(value));
        ASSERT_EQ(std::string(text, writer.Write(text, value)), expected) << i;
    }
}

// Counted sixteen bytes at a time, in rounds of at most 255: the lengths
// around a sixteen and around a round's end, and a block of records.
TEST(CountLineFeeds, CountsEveryLineFeedOfAnyLength) {
    std::string text;
    for (int i = 0; text.size() < 3 * 255 * 16 + 40; ++i) text += (i % 3 == 0) ? "\n" : "A 12\n";
    for (std::size_t size : {0, 1, 15, 16, 17, 31, 255 * 16 - 1, 255 * 16, 255 * 16 + 1, 3 * 255 * 16 + 33}) {
        const std::string_view start = std::string_view(text).substr(0, size);
        EXPECT_EQ(CountLineFeeds(start), static_cast<std::size_t>(std::count(start.begin(), start.end(), '\n'))) << size;
    }
    EXPECT_EQ(CountLineFeeds(std::string(5000, '\n')), 5000u);
}

TEST(SplitText, KeepsEveryPieceIncludingEmptyOnes) {
    const SplitCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a,b", {"a", "b"}},
        {"64.000=150.000,128.000=120.000;", {"64.000=150.000", "128.000=120.000;"}},
        {"a,", {"a", ""}},
        {",a", {"", "a"}},
        {",", {"", ""}},
        {",,", {"", "", ""}},
        {"a,,b", {"a", "", "b"}},
        {" ", {" "}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitText(c.text, ','), c.pieces) << "text: \"" << c.text << "\"";
    }
    EXPECT_EQ(SplitText("4=300;", '='), (std::vector<std::string>{"4", "300;"}));
    EXPECT_EQ(SplitText("1=2=3", '='), (std::vector<std::string>{"1", "2", "3"}));
}

}  // namespace
}  // namespace stepquill
