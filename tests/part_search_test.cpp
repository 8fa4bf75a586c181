// Finding the chosen part and collecting the tempo-change and stop lists.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "part_search.h"

namespace stepquill {
namespace {

using Lines = std::vector<std::string>;

struct Search {
    explicit Search(const std::string& text) : input(text), chart(input) {}
    PartSearchResult Run(const std::string& name) { return FindPart(chart, name, lists, log); }
    std::string NextLine() {
        std::string line = "<none>";
        chart.ReadLine(line);
        return line;
    }
    std::istringstream input;
    ChartStream chart;
    TimingLists lists;
    VectorLog log;
};

TEST(FindPart, CollectsListsAndStopsAtTheHeaderLine) {
    Search s("#TITLE:Song;\r\n#CHANGEBPM:64.000=150.000,128.000=120.000;\r\n"
             "#FREEZE:96.000=500.000;\r\n#SINGLE:BASIC:5:\r\n2000\r\n;\r\n");
    const auto result = s.Run("BASIC");
    EXPECT_TRUE(result.PartFound);
    EXPECT_EQ(result.HeaderRest, "");
    EXPECT_EQ(s.lists.BpmChanges, (Lines{"64.000=150.000", "128.000=120.000;"}));
    EXPECT_EQ(s.lists.BpmChangeIndex, 0u);
    EXPECT_EQ(s.lists.Freezes, (Lines{"96.000=500.000;"}));
    EXPECT_EQ(s.lists.FreezeIndex, 0u);
    EXPECT_EQ(s.log.Lines, (Lines{"BPMChange listing...", "64.000=150.000,128.000=120.000;",
                                  "Freeze listing...", "96.000=500.000;", "BASIC part found."}));
    EXPECT_EQ(s.NextLine(), "2000");
}

TEST(FindPart, EmptyAndRepeatedLists) {
    Search s("#FREEZE:\n#CHANGEBPM:4=100,\n#CHANGEBPM:8=200\n#SINGLE:MANIAC:9:\n");
    s.lists.FreezeIndex = 3;
    s.lists.BpmChangeIndex = 5;
    EXPECT_TRUE(s.Run("MANIAC").PartFound);
    EXPECT_TRUE(s.lists.Freezes.empty());
    EXPECT_EQ(s.lists.FreezeIndex, 0u);
    EXPECT_EQ(s.lists.BpmChanges, (Lines{"8=200"}));
    EXPECT_EQ(s.lists.BpmChangeIndex, 0u);
    EXPECT_EQ(s.log.Lines, (Lines{"Freeze listing...", "", "BPMChange listing...", "4=100,",
                                  "BPMChange listing...", "8=200", "MANIAC part found."}));
}

TEST(FindPart, TagLinesRemoveCharactersByCount) {
    Search s(" #FREEZE:4=300;\n#CHANGEBPM:4=1,8=2,\n#SINGLE:BASIC:5:\n");
    EXPECT_TRUE(s.Run("BASIC").PartFound);
    EXPECT_EQ(s.lists.Freezes, (Lines{":4=300;"}));
    EXPECT_EQ(s.lists.BpmChanges, (Lines{"4=1", "8=2", ""}));
}

TEST(FindPart, TagLineShorterThanItsTagGivesAnEmptyList) {
    Search s("#FREEZE:1=2;\n#FREEZE\n#CHANGEBPM:1=2;\n#CHANGEBPM\n#SINGLE:BASIC:5:\n");
    EXPECT_TRUE(s.Run("BASIC").PartFound);
    EXPECT_TRUE(s.lists.Freezes.empty());
    EXPECT_TRUE(s.lists.BpmChanges.empty());
}

TEST(FindPart, MatchesOnlyTheSinglePlayHeaderOfTheName) {
    Search s("#TITLE:MANIAC;\r\n#DOUBLE:MANIAC:9:\r\n1111\r\n;\r\n#SINGLE:SMANIAC:9:\r\n2222\r\n;\r\n"
             "#SINGLE:maniac:9:\r\n#SINGLE:MANIAC\r\n#SINGLE:MANIAC:8:\r\n8888\r\n;\r\n");
    const auto result = s.Run("MANIAC");
    EXPECT_TRUE(result.PartFound);
    EXPECT_EQ(s.log.Lines, (Lines{"MANIAC part found."}));
    EXPECT_EQ(s.NextLine(), "8888");
}

TEST(FindPart, TagLinesAfterTheHeaderAreNotRead) {
    Search s("#SINGLE:BASIC:5:\n2000\n;\n#FREEZE:4=300;\n");
    EXPECT_TRUE(s.Run("BASIC").PartFound);
    EXPECT_TRUE(s.lists.Freezes.empty());
    EXPECT_EQ(s.log.Lines, (Lines{"BASIC part found."}));
}

TEST(FindPart, GivesTheRestOfTheHeaderLine) {
    const struct {
        const char* header;
        const char* rest;
    } cases[] = {
        {"#SINGLE:BASIC:4:0000200020B0;", "0000200020B0;"},
        {"#SINGLE:BASIC:4:", ""},
        {"#SINGLE:BASIC:10:2:8;", "2:8;"},
        {"#SINGLE:BASIC::08", "08"},
        {"  #SINGLE:BASIC:4:(2468);", "(2468);"},
        {"#SINGLE:BASIC:4: 20 ", " 20 "},
    };
    for (const auto& c : cases) {
        Search s(std::string(c.header) + "\r\nnext\r\n");
        const auto result = s.Run("BASIC");
        EXPECT_TRUE(result.PartFound) << c.header;
        EXPECT_EQ(result.HeaderRest, c.rest) << c.header;
        EXPECT_EQ(s.NextLine(), "next") << c.header;
    }
}

TEST(FindPart, HeaderAsTheLastLineIsFoundWithTheChartAtItsEnd) {
    Search s("#SINGLE:BASIC:5:");
    EXPECT_TRUE(s.Run("BASIC").PartFound);
    EXPECT_TRUE(s.chart.AtEnd());
}

TEST(FindPart, MissingPartReadsToTheEnd) {
    Search s("#CHANGEBPM:4=240;\n#SINGLE:BASIC:5:\n2000\n;\n");
    const auto result = s.Run("MANIAC");
    EXPECT_FALSE(result.PartFound);
    EXPECT_TRUE(s.chart.AtEnd());
    EXPECT_EQ(s.log.Lines, (Lines{"BPMChange listing...", "4=240;"}));
    EXPECT_EQ(s.lists.BpmChanges, (Lines{"4=240;"}));

    Search empty("");
    EXPECT_FALSE(empty.Run("BASIC").PartFound);
    EXPECT_TRUE(empty.log.Lines.empty());
}

}  // namespace
}  // namespace stepquill
