// Which part a name chooses, which files --all plans, and which format a
// piped chart's bytes tell.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "chart_formats.h"
#include "part_choice.h"

namespace stepquill {
namespace {

std::vector<Difficulty> Listed(const std::vector<std::string>& texts) {
    std::vector<Difficulty> listed;
    for (const std::string& text : texts) listed.push_back({text, PartNameOf(text), "", {}, {}});
    return listed;
}

TEST(ChoosePart, TakesTheExactTextThenTheOneNameWithoutRegardToCase) {
    const auto listed = Listed({"BASIC(5)", "MANIAC(9)", "MANIAC(10)", "Edit(10)", "Edit(10)#2", "edit(3)"});
    const struct {
        const char* wanted;
        const char* chosen;  // "" for none
        std::size_t occurrence;
        const char* reason;
    } cases[] = {
        {"MANIAC(10)", "MANIAC(10)", 1, ""},
        {"BASIC", "BASIC(5)", 0, ""},
        {"basic", "BASIC(5)", 0, ""},
        {"MANIAC", "MANIAC(9)", 0, ""},
        {"Edit(10)#2", "Edit(10)#2", 1, ""},
        {"EDIT", "", 0, "the difficulty EDIT could name several parts (Edit edit)"},
        {"HARD", "", 0,
         "the chart lists no difficulty HARD (it lists: BASIC(5) MANIAC(9) MANIAC(10) Edit(10) Edit(10)#2 edit(3))"},
    };
    for (const auto& c : cases) {
        std::string reason;
        const std::optional<PartChoice> part = ChoosePart(listed, c.wanted, reason);
        EXPECT_EQ(part ? part->DisplayText : "", c.chosen) << c.wanted;
        if (part) {
            EXPECT_EQ(part->Occurrence, c.occurrence) << c.wanted;
        }
        EXPECT_EQ(reason, c.reason) << c.wanted;
    }
}

TEST(PlanPartFiles, NamesAFilePerPartAfterTheChartAndThePart) {
    const struct {
        const char* chart;
        const char* folder;
        std::vector<std::string> parts;
        std::vector<std::string> files;
    } cases[] = {
        {"songs/song.dwi", "", {"BASIC(5)", "MANIAC(9)"}, {"songs/song.BASIC.kvt", "songs/song.MANIAC.kvt"}},
        {"song.sm", "out", {"Edit(10)", "Edit(10)#2"}, {"out/song.Edit.kvt", "out/song.Edit-2.kvt"}},
        {"a/.hidden.ssc", "b/", {"Hard(9)"}, {"b/.hidden.Hard.kvt"}},
        {"x.y.dwi", "", {"a/b(1)"}, {"x.y.a_b.kvt"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> files;
        for (const PartFile& file : PlanPartFiles(c.chart, c.folder, Listed(c.parts))) files.push_back(file.Path);
        EXPECT_EQ(files, c.files) << c.chart;
    }
}

TEST(FormatOfBytes, TellsAPipedChartByItsTags) {
    const struct {
        const char* bytes;
        std::optional<ChartFormat> format;
    } cases[] = {
        {"#TITLE:x;\n#NOTEDATA:;\n#NOTES:\n", ChartFormat::Ssc},
        {"#title:x;\n#notes:\n dance-single:", ChartFormat::Sm},
        {"#TITLE:x;\n#BPM:120;\n#SINGLE:BASIC:5:8;\n", ChartFormat::Dwi},
        {"\xEF\xBB\xBF#NOTES:", ChartFormat::Sm},
        // Each "#" first on its line begins a value, with or without a ";" before it.
        {"#TITLE:x\n  #NOTES:\n", ChartFormat::Sm},
        // A tag's name inside a value or a comment is text.
        {"#TITLE:A #notes edition;\n#BPM:120;\n#SINGLE:BASIC:5:8;\n", ChartFormat::Dwi},
        {"#TITLE:x;#CREDIT:about #NOTEDATA:;\n#NOTES:\n", ChartFormat::Sm},
        {"// #NOTEDATA:\n#TITLE:x;//;#NOTEDATA:\n#NOTES:", ChartFormat::Sm},
        {"#DOUBLE:BASIC:5:8;", ChartFormat::Dwi},
        {"", std::nullopt},
        {"# Songs\nPut your charts here.\n", std::nullopt},
        {"#TITLE:x;#BPMS:0=120;", std::nullopt},
        {"#TITLE:x #NOTES: #BPM:", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatOfBytes(c.bytes), c.format) << c.bytes;
    EXPECT_EQ(FormatOfPath("SONG.SSC"), ChartFormat::Ssc);
    EXPECT_EQ(FormatOfPath("song.Sm"), ChartFormat::Sm);
    EXPECT_EQ(FormatOfPath("song.smx"), ChartFormat::Dwi);
}

}  // namespace
}  // namespace stepquill
