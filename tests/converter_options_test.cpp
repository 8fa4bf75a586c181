// stepquill-convert's options, run for real, through a shell where a case
// needs its redirections: what the run writes, where, and what it says.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "child_process.h"
#include "scratch_folder.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using support::ChildRun;
using support::ReadBytes;
using support::ScratchFolder;

const fs::path kRealCharts = fs::path(STEPQUILL_SOURCE_DIR) / ".." / "shared" / "charts" / "real";
const fs::path kParanoia = kRealCharts / "noahm-simfileparser__PARANOiA_Rebirth.dwi";
const fs::path kStepManiaCharts = fs::path(STEPQUILL_SOURCE_DIR) / ".." / "shared" / "charts" / "sm";

// A folder holding PARANOiA as chart.dwi and one song as song.sm and song.ssc.
void CopyCharts(const ScratchFolder& folder) {
    fs::copy_file(kParanoia, folder / "chart.dwi");
    fs::copy_file(kStepManiaCharts / "garcia-simfile__backup.sm", folder / "song.sm");
    fs::copy_file(kStepManiaCharts / "garcia-simfile__backup.ssc", folder / "song.ssc");
}

// Runs a shell command in `folder`, where $C is the converter.
ChildRun Shell(const ScratchFolder& folder, const std::string& command, unsigned seconds = 20) {
    support::ChildOptions options;
    options.WorkingFolder = folder.Path();
    options.TimeLimitSeconds = seconds;
    return support::RunProgram({"/bin/sh", "-c", "C='" STEPQUILL_CONVERTER "'; " + command}, options);
}

std::string Lines(std::size_t count) { return std::to_string(count); }

// A chart of the given header whose MANIAC part is two arrows long.
std::string SmallChart(const std::string& title, const std::string& artist = "A", const std::string& gap = "0") {
    return "#TITLE:" + title + ";\n#ARTIST:" + artist + ";\n#BPM:120;\n#GAP:" + gap +
           ";\n#SINGLE:MANIAC:9:\n2080\n;\n";
}

struct StreamCase {
    const char* Name;
    const char* Command;
    int Exit;
    // The file whose bytes must equal the timing file ("" for none), and the
    // last line of standard error.
    const char* Holds;
    const char* LastError;
};

// What the single run wrote, what it said about it, and where its records
// went when standard output was named.
TEST(ConverterStreams, RecordsGoWhereTheyAreNamedAndTheRunSaysSo) {
    const std::string kWrote = "stepquill-convert: wrote 433 records to ";
    const std::string kNoSpace = "stepquill-convert: cannot write to standard output (No space left on device)";
    const std::vector<StreamCase> cases = {
        {"beside the chart", "$C chart.dwi MANIAC >/dev/null", 0, "chart.kvt", "chart.kvt"},
        {"named", "$C chart.dwi MANIAC -o out.kvt >/dev/null", 0, "out.kvt", "out.kvt"},
        {"quiet", "$C chart.dwi MANIAC -q", 0, "chart.kvt", ""},
        {"dash", "$C chart.dwi MANIAC -o - >seen 2>/dev/null; $C chart.dwi MANIAC -o - 2>&1 >/dev/null | tail -n 1 >&2",
         0, "seen", "standard output"},
        {"from a pipe", "$C - MANIAC -q <chart.dwi >seen", 0, "seen", ""},
        {"appended", "printf 'old\\n' >log; $C chart.dwi MANIAC -q -o /dev/stdout >>log; sed 1d log >seen", 0, "seen",
         ""},
        {"by descriptor", "$C chart.dwi MANIAC -q -o /proc/self/fd/1 >seen", 0, "seen", ""},
        {"full, information", "$C chart.dwi >/dev/full", 1, "", kNoSpace.c_str()},
        {"full, log", "$C chart.dwi MANIAC >/dev/full", 1, "chart.kvt", kNoSpace.c_str()},
        {"full, records", "$C chart.dwi MANIAC -o - >/dev/full", 1, "", kNoSpace.c_str()},
        {"pipe too large", "head -c 268435457 /dev/zero | $C - MANIAC", 1, "",
         "stepquill-convert: the chart on standard input is larger than 256 MiB"},
        // A piped chart is told by its tags, not by a tag's name in a value;
        // --chart-format names any chart's format.
        {"from a pipe, #notes in the title",
         "{ printf '#TITLE:A #notes edition;\\n'; cat chart.dwi; } | $C - MANIAC -q >seen", 0, "seen", ""},
        {"from a pipe, #NOTEDATA in a value",
         "$C song.sm Hard -q -o want; { printf '#CREDIT:see #NOTEDATA:;\\n'; cat song.sm; } | "
         "$C - Hard -q -o - | cmp - want",
         0, "", ""},
        {"from a pipe, no tag", "printf 'hello\\n' | $C - MANIAC", 1, "",
         "stepquill-convert: the chart's format cannot be told; name it with --chart-format dwi, sm or ssc"},
        {"format named", "cp chart.dwi chart.sm; $C chart.sm MANIAC -q --chart-format dwi -o seen", 0, "seen", ""},
        {"format named, piped", "printf '#TITLE:x;' | cat - chart.dwi | $C - MANIAC -q --chart-format DWI >seen", 0,
         "seen", ""},
        {".sm", "$C song.sm Hard >/dev/null && test -s song.kvt", 0, "",
         "stepquill-convert: wrote 381 records to song.kvt"},
        {".ssc", "$C song.ssc Hard >/dev/null && test -s song.kvt", 0, "",
         "stepquill-convert: wrote 381 records to song.kvt"},
        {".sm, every part", "mkdir all; $C song.sm --all -o all >/dev/null && test -s all/song.Challenge.kvt", 0, "",
         "stepquill-convert: wrote 512 records to all/song.Challenge.kvt"},
        // -o naming a folder puts the timing file the chart's name gives into
        // it, as cp does, over an old one there too; --all makes its folder.
        {"into a folder", "mkdir out; $C chart.dwi MANIAC -o out >/dev/null", 0, "out/chart.kvt", "out/chart.kvt"},
        {"into a folder, over an old file", "mkdir out; echo old >out/chart.kvt; $C chart.dwi MANIAC -o out/ >/dev/null",
         0, "out/chart.kvt", "out/chart.kvt"},
        {".ssc into a folder", "mkdir out; $C song.ssc Hard -o out >/dev/null && test -s out/song.kvt", 0, "",
         "stepquill-convert: wrote 381 records to out/song.kvt"},
        {"every part into a new folder", "$C song.sm --all -o new >/dev/null && test -s new/song.Challenge.kvt", 0,
         "", "stepquill-convert: wrote 512 records to new/song.Challenge.kvt"},
        {"every part into a folder without its parent", "$C song.sm --all -o no/new", 1, "",
         "stepquill-convert: cannot create the output folder no/new: No such file or directory"},
        {"a chart that is not there", "$C nosuch.sm Hard", 1, "",
         "stepquill-convert: cannot open nosuch.sm: No such file or directory"},
    };
    ScratchFolder reference;
    fs::copy_file(kParanoia, reference / "chart.dwi");
    ASSERT_EQ(Shell(reference, "$C chart.dwi MANIAC -q").Ending(), "exit 0");
    const std::string records = ReadBytes(reference / "chart.kvt");
    ASSERT_EQ(std::count(records.begin(), records.end(), '\n'), 433);

    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ScratchFolder folder;
        CopyCharts(folder);
        const ChildRun run = Shell(folder, c.Command);
        EXPECT_EQ(run.Ending(), "exit " + std::to_string(c.Exit)) << run.Errors;
        std::string errors = run.Errors;
        if (!errors.empty() && errors.back() == '\n') errors.pop_back();
        const std::string last = errors.substr(errors.rfind('\n') == std::string::npos ? 0 : errors.rfind('\n') + 1);
        const std::string expected = c.LastError;
        if (expected.empty() || expected.rfind("stepquill-convert: ", 0) == 0)
            EXPECT_EQ(last, expected);
        else
            EXPECT_EQ(last, kWrote + expected);
        if (*c.Holds) {
            EXPECT_TRUE(ReadBytes(folder / c.Holds) == records) << c.Holds;
        }
    }
}

// Every part of every real chart, each file and each part's log as a single
// run of that part writes it, though --all reads the chart once for all; a
// chart listing two parts of one name gives the second its own. The made
// chart lists its tempo changes and stops between its parts, and two
// headers on one line, so each part's search has met a different part of
// them on its way.
TEST(ConverterAll, EveryPartEqualsItsSingleRun) {
    std::vector<fs::path> charts;
    for (const auto& entry : fs::directory_iterator(kRealCharts))
        if (entry.path().extension() == ".dwi") charts.push_back(entry.path());
    ASSERT_FALSE(charts.empty());
    ScratchFolder twice;
    twice.Write("twice.dwi", SmallChart("T") + "#SINGLE:MANIAC:10:\n8000\n;\n");
    charts.push_back(twice / "twice.dwi");
    twice.Write("between.dwi", SmallChart("B") + "#CHANGEBPM:4.000=240.000;\n#SINGLE:BASIC:3:\n2468\n;\n" +
                                   "#FREEZE:2.000=100.000;#SINGLE:MANIAC:10:8\n;\n" +
                                   "#SINGLE:BASIC:4:#SINGLE:MANIAC:11:\n4444\n;\n#SINGLE:BASIC:5:\n8\n;\n");
    charts.push_back(twice / "between.dwi");

    for (const fs::path& chart : charts) {
        SCOPED_TRACE(chart.filename().string());
        ScratchFolder folder;
        fs::create_directory(folder / "all");
        const ChildRun all = Shell(folder, "$C '" + chart.string() + "' --all -o all");
        EXPECT_EQ(all.Ending(), "exit 0") << all.Errors;
        std::string singleLogs;
        const ChildRun listed = Shell(folder, "$C '" + chart.string() + "' --json");
        const auto parts = nlohmann::json::parse(listed.Output)["difficulties"];
        std::map<std::string, int> seen;
        for (const auto& part : parts) {
            const std::string name = part["name"];
            const int count = ++seen[name];
            const std::string file = chart.stem().string() + "." + name + (count > 1 ? "-" + Lines(count) : "") + ".kvt";
            const std::string text = part["text"];
            const ChildRun single = Shell(folder, "$C '" + chart.string() + "' '" + text + "' -o single.kvt");
            ASSERT_EQ(single.Ending(), "exit 0");
            singleLogs += single.Output;
            EXPECT_TRUE(ReadBytes(folder / "all" / file) == ReadBytes(folder / "single.kvt")) << file;
        }
        EXPECT_TRUE(all.Output == singleLogs) << "the logs differ";
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "all"), fs::directory_iterator()),
                  static_cast<long>(parts.size()));
    }
    ASSERT_EQ(Shell(twice, "$C twice.dwi --all -q").Ending(), "exit 0");
    EXPECT_NE(ReadBytes(twice / "twice.MANIAC.kvt"), ReadBytes(twice / "twice.MANIAC-2.kvt"));
}

// A shift is the arithmetic of a chart whose #GAP is that much larger, in
// the timing file and in the log alike.
TEST(ConverterShift, EqualsALargerGap) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0", "39"}, {"12", "51"}, {"-12.5", "26.5"}, {"-1000", "-961"}};
    const std::string chart = ReadBytes(kParanoia);
    for (const auto& [shift, gap] : cases) {
        SCOPED_TRACE(shift);
        ScratchFolder folder;
        folder.Write("shifted.dwi", chart);
        std::string moved = chart;
        moved.replace(moved.find("#GAP:39;"), 8, "#GAP:" + gap + ";");
        folder.Write("gap.dwi", moved);
        const ChildRun shifted = Shell(folder, "$C shifted.dwi MANIAC --shift " + shift);
        const ChildRun larger = Shell(folder, "$C gap.dwi MANIAC");
        EXPECT_EQ(shifted.Ending(), "exit 0") << shifted.Errors;
        EXPECT_EQ(shifted.Output, larger.Output);
        EXPECT_TRUE(ReadBytes(folder / "shifted.kvt") == ReadBytes(folder / "gap.kvt"));
    }
}

// Spellings that can mean one thing only are taken; the rest is a usage
// error in one line that names the option and what it wants, and a chart
// that cannot be read gives its reason alone.
TEST(ConverterCommandLine, OneMeaningIsTakenAndEveryErrorIsOneLine) {
    struct Case {
        const char* Arguments;
        int Exit;
        std::string Errors;
    };
    const auto usage = [](const std::string& reason) {
        return "stepquill-convert: " + reason + ". Run with --help for more information.\n";
    };
    const std::string json = usage("--json prints the chart's information; it takes no DIFFICULTY and no --all");
    const std::vector<Case> cases = {
        {"chart.dwi maniac -q", 0, ""},
        {"chart.dwi 'Maniac(9)' -q --up-left a --down-right x", 0, ""},
        {"song.ssc hard -q", 0, ""},
        {"--bogus", 2, usage("unknown option --bogus")},
        {"chart.dwi MANIAC extra", 2, usage("extra is one word too many: give a CHART and at most one DIFFICULTY")},
        {"", 2, usage("no CHART given: name a DWI, .sm or .ssc chart, or - to read one from standard input")},
        {"chart.dwi MANIAC --up-left q", 2, usage("--up-left needs one of the tokens A, B, X, Y, L, R, not q")},
        {"chart.dwi MANIAC --shift 1e3", 2, usage("--shift needs a number of milliseconds, such as -12, not 1e3")},
        {"chart.dwi MANIAC --shift", 2, usage("--shift needs a number of milliseconds, such as -12")},
        {"chart.dwi MANIAC --shift 1 --shift 2", 2, usage("--shift is given more than once")},
        {"chart.dwi MANIAC --encoding NO-SUCH", 2,
         usage("--encoding needs the name of an encoding this system knows, such as CP932, not NO-SUCH")},
        {"chart.dwi MANIAC -o ''", 2, usage("-o needs a file name, or - for standard output")},
        {"chart.dwi --chart-format mp3", 2, usage("--chart-format needs dwi, sm or ssc, not mp3")},
        {"- MANIAC", 1,
         "stepquill-convert: the chart's format cannot be told; name it with --chart-format dwi, sm or ssc\n"},
        {"chart.dwi MANIAC --all", 2, usage("--all converts every part; name no DIFFICULTY with it")},
        {"chart.dwi --json MANIAC", 2, json},
        {"chart.dwi --json --all", 2, json},
        {"chart.dwi -o out.kvt", 2, usage("-o is for a conversion: name a DIFFICULTY or give --all")},
        {"song.ssc --shift -12", 2, usage("--shift is for a conversion: name a DIFFICULTY or give --all")},
        {"- --all", 2, usage("--all names its files after the chart, so it needs a chart file, not -")},
        {"chart.dwi --all -o -", 2, usage("--all writes a file per part; -o names their folder, not standard output")},
        {"chart.dwi MANIAC -q --format c-header --tap-ms 30 --roll-ms 80.5 --zero first-press --time-unit ms", 0, ""},
        {"song.ssc --all -q --format csv", 0, ""},
        {"chart.dwi MANIAC --format xml", 2, usage("--format needs one of kvt, csv, json, c-header, not xml")},
        {"chart.dwi MANIAC --format csv --tap-ms 0", 2,
         usage("--tap-ms needs a number of milliseconds above 0, such as 40, not 0")},
        {"chart.dwi MANIAC --format csv --roll-ms -5", 2,
         usage("--roll-ms needs a number of milliseconds above 0, such as 40, not -5")},
        {"chart.dwi MANIAC --format csv --tap-ms inf", 2,
         usage("--tap-ms needs a number of milliseconds above 0, such as 40, not inf")},
        {"chart.dwi MANIAC --format json --zero noon", 2, usage("--zero needs music or first-press, not noon")},
        {"chart.dwi MANIAC --format json --time-unit s", 2, usage("--time-unit needs us or ms, not s")},
        {"chart.dwi MANIAC --tap-ms 30", 2,
         usage("--tap-ms is for a device's timeline: give --format csv, json or c-header")},
        {"chart.dwi MANIAC --format kvt --zero music", 2,
         usage("--zero is for a device's timeline: give --format csv, json or c-header")},
        {"chart.dwi --format csv", 2, usage("--format is for a conversion: name a DIFFICULTY or give --all")},
        {"missing.dwi", 1, "stepquill-convert: cannot open missing.dwi: No such file or directory\n"},
        {"missing.sm --json", 1, "stepquill-convert: cannot open missing.sm: No such file or directory\n"},
        {"song.sm Expert", 1,
         "stepquill-convert: the chart lists no difficulty Expert (it lists: Beginner(1) Easy(3) Medium(6) Hard(8) "
         "Challenge(9))\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Arguments);
        ScratchFolder folder;
        CopyCharts(folder);
        const ChildRun run = Shell(folder, std::string("$C ") + c.Arguments + " </dev/null");
        EXPECT_EQ(run.Ending(), "exit " + std::to_string(c.Exit));
        EXPECT_EQ(run.Errors, c.Errors);
        if (c.Exit != 0) {
            EXPECT_EQ(run.Output, "");
        }
    }
    ScratchFolder folder;
    fs::copy_file(kParanoia, folder / "chart.dwi");
    Shell(folder, "$C chart.dwi MANIAC -q -o exact.kvt --down-right X; $C chart.dwi 'Maniac(9)' -q --up-left a "
                  "--down-right x");
    EXPECT_TRUE(ReadBytes(folder / "chart.kvt") == ReadBytes(folder / "exact.kvt"));
    // A device's file takes its format's ending, beside the chart and with --all.
    Shell(folder, "$C chart.dwi MANIAC -q --format json; $C chart.dwi --all -q --format c-header");
    EXPECT_EQ(ReadBytes(folder / "chart.json").substr(0, 10), "{\"title\":\"");
    EXPECT_EQ(ReadBytes(folder / "chart.MANIAC.h").substr(0, 3), "/* ");
}

// Fills a title that begins with `start` up to where the reading's 1 MiB
// limit for a field ("#TITLE:" and the title) keeps `kept` bytes of what
// follows.
std::string Padding(const std::string& start, std::size_t kept) {
    const std::size_t keptTitleBytes = (std::size_t{1} << 20) - std::string_view("#TITLE:").size();
    return std::string(keptTitleBytes - start.size() - kept, 'x');
}

// Titles in their own script, decided once per chart, in the information,
// in JSON and in the log; an encoding named on the command line wins.
TEST(ConverterEncoding, TitlesArePrintedInUtf8) {
    struct Case {
        const char* Name;
        std::string Title;
        std::string Artist;
        const char* Option;
        std::string Shown;
    };
    // A title cut inside a character that comes twice at its end; each byte
    // of the cut character is shown as U+FFFD.
    const auto cut = [](const std::string& start, const std::string& last, std::size_t kept) {
        return start + Padding(start, kept) + last + last;
    };
    const auto cutShown = [](const std::string& start, const std::string& shownStart, std::size_t kept) {
        std::string shown = shownStart + Padding(start, kept);
        for (std::size_t i = 0; i < kept; ++i) shown += "\xEF\xBF\xBD";
        return shown;
    };
    const std::vector<Case> cases = {
        {"UTF-8", "Caf\xC3\xA9 \xE2\x98\x86", "A", "", "Caf\xC3\xA9 \xE2\x98\x86"},
        {"Windows-1252", "Caf\xE9", "A", "", "Caf\xC3\xA9"},
        {"Windows-1252 at the end", "Beyonc\xE9", "A", "", "Beyonc\xC3\xA9"},
        {"Shift-JIS", "\x8D\xF7\x82\xCC\x89\xCC", "A", "", "\xE6\xA1\x9C\xE3\x81\xAE\xE6\xAD\x8C"},
        // Decided for the chart, not per field: a Latin-1 artist makes the
        // title Latin-1 too.
        {"once per chart", "\x82\xCC\x89\xCC", "Beyonc\xE9", "", "\xE2\x80\x9A\xC3\x8C\xE2\x80\xB0\xC3\x8C"},
        {"named", "Caf\xE9", "A", " --encoding ISO-8859-15", "Caf\xC3\xA9"},
        {"named over a guess", "\x82\xCC\x89\xCC", "A", " --encoding CP1252", "\xE2\x80\x9A\xC3\x8C\xE2\x80\xB0\xC3\x8C"},
        // A title the field's limit cuts inside its last character: the cut
        // tells nothing of the encoding, the rest of the texts do.
        {"UTF-8 cut in two", cut("Zo\xC3\xAB ", "\xC3\xAB", 1), "Zo\xC3\xAB", "",
         cutShown("Zo\xC3\xAB ", "Zo\xC3\xAB ", 1)},
        {"UTF-8 cut in three", cut("\xE2\x98\x86 ", "\xE2\x98\x86", 2), "A", "",
         cutShown("\xE2\x98\x86 ", "\xE2\x98\x86 ", 2)},
        {"Shift-JIS cut", cut("\x8D\xF7 ", "\x82\xCC", 1), "A", "", cutShown("\x8D\xF7 ", "\xE6\xA1\x9C ", 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ScratchFolder folder;
        folder.Write("chart.dwi", SmallChart(c.Title, c.Artist));
        const ChildRun info = Shell(folder, std::string("$C chart.dwi") + c.Option);
        EXPECT_EQ(info.Output.substr(0, info.Output.find('\n')), "Title: " + c.Shown);
        const ChildRun json = Shell(folder, std::string("$C chart.dwi --json") + c.Option);
        EXPECT_EQ(nlohmann::json::parse(json.Output)["title"], c.Shown);
    }
}

// A chart's control characters reach a terminal as escapes, and a file or a
// pipe as they are; `script` gives the converter a terminal.
TEST(ConverterTerminal, ControlCharactersAreShownAsEscapesOnATerminal) {
    const std::string title = "x\x1B]0;evil\x07\x1B[2Jy\x7F";
    // A step character ESC: the log line that tells of it quotes it.
    const std::string steps = "#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:MANIAC:9:\n\x1B\n;\n";
    const struct {
        const char* Name;
        std::string Chart;
        const char* Command;
        std::string Shown;
    } cases[] = {
        {"listing on a terminal", SmallChart(title), "script -qec \"$C chart.dwi\" /dev/null",
         "Title: x\\x1B]0;evil\\x07\\x1B[2Jy\\x7F"},
        {"log on a terminal", steps, "script -qec \"$C chart.dwi MANIAC -o out.kvt\" /dev/null",
         "Step character \\x1B names no arrow"},
        {"listing into a pipe", SmallChart(title), "$C chart.dwi | cat", "Title: " + title},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ScratchFolder folder;
        folder.Write("chart.dwi", c.Chart);
        const ChildRun run = Shell(folder, c.Command);
        EXPECT_NE(run.Output.find(c.Shown), std::string::npos) << run.Output;
        if (std::string(c.Command).find("script") != std::string::npos) {
            EXPECT_EQ(run.Output.find('\x1B'), std::string::npos) << run.Output;
        }
    }
}

// Real charts' titles and artists as they are written, in every format.
TEST(ConverterEncoding, RealTitlesAreAsWritten) {
    struct Case {
        fs::path Chart;
        const char* Title;
        const char* Artist;
    };
    const std::vector<Case> cases = {
        {kParanoia, "PARANOiA Rebirth", "190'"},
        // "#TITLE:20,NOVEMBER (D.D.R. version);": the comma ends the field,
        // of which the value keeps its length less eight characters.
        {kRealCharts / "noahm-simfileparser__20_NOVEMBER_D.D.R._version.dwi", "2", "N.M.R feat. DJ nagureo"},
        {kStepManiaCharts / "garcia-simfile__nekonabe.sm", "猫鍋", "再生ハイパーべるーヴ"},  // after a BOM
        {kStepManiaCharts / "hodobox-smsongs__Horkyze_Slize_-_Vojtech.sm", "Vojtech", "Horkýže Slíže"},
        {kStepManiaCharts / "noahm-simfileparser__New_Era.sm", "New Era", "BEMANI Sound Team \"Sota F.\""},
        {kStepManiaCharts / "noahm-simfileparser__Ahoy.ssc", "[11] Ahoy!! 我ら宝鐘海賊団☆", "IOSYS feat. Houshou Marine"},
        {kStepManiaCharts / "garcia-simfile__backup.ssc", "BACK UP", "ctrl+r with HEDDIE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Chart.filename().string());
        ScratchFolder folder;
        const auto json = nlohmann::json::parse(Shell(folder, "$C '" + c.Chart.string() + "' --json").Output);
        EXPECT_EQ(json["title"], c.Title);
        EXPECT_EQ(json["artist"], c.Artist);
    }
}

// The JSON holds what the information text holds, with numbers as numbers.
TEST(ConverterJson, HoldsTheChartInformation) {
    ScratchFolder folder;
    const ChildRun run = Shell(folder, "$C '" + kParanoia.string() + "' --json");
    ASSERT_EQ(run.Ending(), "exit 0");
    EXPECT_EQ(std::count(run.Output.begin(), run.Output.end(), '\n'), 1);
    const auto expected = nlohmann::json::parse(R"json({"title": "PARANOiA Rebirth", "artist": "190'", "bpm": 189.99,
        "offset_ms": 39, "difficulties": [
          {"text": "BEGINNER(2)", "name": "BEGINNER", "rating": 2}, {"text": "BASIC(6)", "name": "BASIC", "rating": 6},
          {"text": "ANOTHER(7)", "name": "ANOTHER", "rating": 7}, {"text": "MANIAC(9)", "name": "MANIAC", "rating": 9}]})json");
    EXPECT_EQ(nlohmann::json::parse(run.Output), expected);
}

}  // namespace
}  // namespace stepquill
