// Input that no one should give the converter, through the core: every run
// ends within seconds, writes the whole timing file or nothing, and leaves
// the chart and any old timing file as they were.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "bad_charts.h"
#include "chart_info.h"
#include "conversion_requests.h"
#include "dwi_info.h"
#include "dwi_reader.h"
#include "child_process.h"
#include "chart_formats.h"
#include "conversion_run.h"
#include "cut_chart.h"
#include "run_checks.h"
#include "scratch_folder.h"
#include "small_disk.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using support::BadChart;
using support::ReadBytes;
using support::ScratchFolder;

const std::string kStop = "Conversion stopped: ";

// A run that hangs is ended by the alarm, which fails the test.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

struct CoreRun {
    ChartReading Reading;
    RunOutcome Outcome;
    VectorLog Log;
    std::string LastLine() const { return Log.Lines.empty() ? "" : Log.Lines.back(); }
};

// Reads the chart as the window does, then converts it. The tempo starts
// at 120, as an earlier chart may have left it, so that a failed reading
// still lets the run go on to the chart itself.
CoreRun ReadAndConvert(const fs::path& chart, const ConversionRequest& settings = {}) {
    CoreRun run;
    ChartInfo before;
    before.Bpm = 120;
    run.Reading = ReadChart(chart.string(), {}, before);
    run.Outcome = ConvertDWI(support::Asking(chart.string(), support::kDifficulty, run.Reading.Info, settings), run.Log);
    return run;
}

// The same, with the chart's bytes coming as from a failing disk: only the
// `readable` ones, for the reading and again for the run.
CoreRun ReadAndConvertCut(const fs::path& chart, const std::string& readable) {
    CoreRun run;
    ChartInfo before;
    before.Bpm = 120;
    support::CutChart forReading(readable);
    run.Reading = ReadChartInfo(forReading, {}, before);
    support::CutChart forRun(readable);
    ConversionRequest settings;
    settings.ChartBytes = &forRun;
    run.Outcome = ConvertDWI(support::Asking(chart.string(), support::kDifficulty, run.Reading.Info, settings), run.Log);
    return run;
}

// The reading's failure and the run's last log line, a line each, from a
// child that has given up root; none when it may not.
std::optional<std::string> ReadAndConvertWithoutRoot(const fs::path& chart, const ConversionRequest& settings) {
    support::ChildOptions options;
    options.WithoutRoot = true;
    const support::ChildRun child = support::RunInChild(
        [&] {
            const CoreRun run = ReadAndConvert(chart, settings);
            return run.Reading.StopReason + "\n" + run.LastLine();
        },
        options);
    if (child.SetupFailed()) return std::nullopt;
    EXPECT_EQ(child.Ending(), "exit 0");
    return child.Output;
}

class BadChartThroughCore : public ::testing::TestWithParam<BadChart> {};

TEST_P(BadChartThroughCore, WritesTheWholeFileOrNothing) {
    const BadChart& bad = GetParam();
    for (bool withOldFile : {false, true}) {
        SCOPED_TRACE(withOldFile ? "over an old timing file" : "without an old timing file");
        Watchdog watchdog(10);
        ScratchFolder folder;
        const fs::path chart = folder.Write("song.dwi", bad.Bytes);
        std::optional<std::string> old;
        if (withOldFile) old = ReadBytes(folder.Write("song.kvt", support::OldTimingFile()));

        const CoreRun run = bad.ReadableBytes
                                ? ReadAndConvertCut(chart, bad.Bytes.substr(0, *bad.ReadableBytes))
                                : ReadAndConvert(chart);
        EXPECT_EQ(run.Reading.StopReason, bad.ReadingFailure);
        EXPECT_EQ(run.LastLine(), bad.LastLogLine);
        EXPECT_EQ(run.Outcome.Written, bad.TimingFile.has_value());
        EXPECT_EQ(run.Outcome.StopReason.empty(), bad.TimingFile.has_value());
        support::ExpectFolderAfterRun(folder, "song.dwi", bad.Bytes, "song.kvt", bad.TimingFile, old);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, BadChartThroughCore, ::testing::ValuesIn(support::BadCharts()),
                         [](const auto& info) { return info.param.Name; });

// StepMania charts a person would not write: each converts or stops with
// its reason, leaving an old timing file as it was.
struct BadSimfile {
    const char* Name;
    const char* FileName;  // song.sm or song.ssc
    std::string Bytes;
    std::string LastLogLine;
    std::optional<std::string> TimingFile;  // none after a stop
    std::optional<std::size_t> ReadableBytes = std::nullopt;
};

void PrintTo(const BadSimfile& chart, std::ostream* out) { *out << chart.Name; }

std::vector<BadSimfile> BadSimfiles() {
    const std::string header = "#TITLE:T;#OFFSET:0;#BPMS:0=120;\n#NOTES:dance-single::Hard:9::\n";
    const std::string notFound = "Conversion stopped: the Hard(9) part was not found";
    std::string manyTempos = "#TITLE:T;#BPMS:";
    for (int beat = 0; beat < 100000; ++beat) manyTempos += std::to_string(beat) + "=120,";
    manyTempos += ";\n#NOTES:dance-single::Hard:9::\n1000\n;";
    return {
        // A file without a single chart's tag is no chart, whatever it holds.
        {"EmptyFile", "song.sm", "", "Conversion stopped: the chart has no #NOTES tag", std::nullopt},
        {"TextFileNamedSm", "song.sm", "# Songs\n\nPut your #NOTES here:\n", "Conversion stopped: the chart has no #NOTES tag",
         std::nullopt},
        {"SscWithoutNoteData", "song.ssc", "#TITLE:T;#BPMS:0=120;#NOTES:\n1000\n;",
         "Conversion stopped: the chart has no #NOTEDATA tag", std::nullopt},
        {"NoChartOfDanceSingle", "song.sm", "#TITLE:T;#NOTES:dance-double::Hard:9::\n10000000\n;", notFound,
         std::nullopt},
        {"ChartWithoutNotes", "song.sm", "#TITLE:T;#NOTES:dance-single::Hard:9:", notFound, std::nullopt},
        // Each "#" first on its line ends the value before it.
        {"NoSemicolonAnywhere", "song.sm", "#TITLE:T\n#BPMS:0=120\n#NOTES:dance-single::Hard:9::\n1000\n0001\n",
         "B@1000 beat=2", "A 0\nB 1000\n"},
        // Without line ends a measure is one line: its first four characters.
        {"NoLineEnds", "song.sm", header.substr(0, header.size() - 1) + "10000001,00010000;", "B@2000 beat=4",
         "A 0\nB 2000\n"},
        {"HundredThousandTempos", "song.sm", manyTempos, "A@0 beat=0", "A 0\n"},
        {"MeasureOfManyLines", "song.sm", header + [] {
             std::string lines;
             for (int i = 0; i < 200000; ++i) lines += i == 199999 ? "0001\n" : "0000\n";
             return lines;
         }() + ";", "B@2000 beat=4", "B 2000\n"},
        {"TempoTooSlowForTheFile", "song.ssc",
         "#TITLE:T;#BPMS:0=0.000000000001;#NOTEDATA:;#STEPSTYPE:dance-single;#DIFFICULTY:Hard;#METER:9;"
         "#NOTES:\n1000\n0000\n0000\n0000\n,\n1000\n;",
         "Conversion stopped: a time beyond what the timing file can hold", std::nullopt},
        {"ReadErrorInTheNotes", "song.sm", header + "1000\n0100\n0010\n0001\n;",
         "Conversion stopped: the chart could not be read", std::nullopt, header.size() + 7},
    };
}

class BadSimfileThroughCore : public ::testing::TestWithParam<BadSimfile> {};

TEST_P(BadSimfileThroughCore, WritesTheWholeFileOrNothing) {
    const BadSimfile& bad = GetParam();
    for (bool withOldFile : {false, true}) {
        SCOPED_TRACE(withOldFile ? "over an old timing file" : "without an old timing file");
        Watchdog watchdog(10);
        ScratchFolder folder;
        const fs::path chart = folder.Write(bad.FileName, bad.Bytes);
        std::optional<std::string> old;
        if (withOldFile) old = ReadBytes(folder.Write("song.kvt", support::OldTimingFile()));

        VectorLog log;
        ConversionRequest settings;
        std::optional<support::CutChart> cut;
        if (bad.ReadableBytes) {
            cut.emplace(bad.Bytes.substr(0, *bad.ReadableBytes));
            settings.ChartBytes = &*cut;
        }
        const RunOutcome outcome = ConvertChart(support::Asking(chart.string(), "Hard(9)", {}, settings), log);
        EXPECT_EQ(log.Lines.empty() ? "" : log.Lines.back(), bad.LastLogLine);
        EXPECT_EQ(outcome.Written, bad.TimingFile.has_value());
        support::ExpectFolderAfterRun(folder, bad.FileName, bad.Bytes, "song.kvt", bad.TimingFile, old);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, BadSimfileThroughCore, ::testing::ValuesIn(BadSimfiles()),
                         [](const auto& info) { return std::string(info.param.Name); });

// One line of 100 MB without a line end, read whole: the part's header and
// its only arrow stand at its very end.
TEST(BigLineThroughCore, AHundredMegabytesAreReadWhole) {
    Watchdog watchdog(60);
    ScratchFolder folder;
    const std::string bytes = std::string(support::BigLineBytes(), 'x') + "#SINGLE:BASIC:5:8";
    const fs::path chart = folder.Write("song.dwi", bytes);
    ChartInfo reading;
    reading.Bpm = 120;
    VectorLog log;
    const RunOutcome outcome = ConvertDWI(support::Asking(chart.string(), support::kDifficulty, reading), log);
    EXPECT_TRUE(outcome.Written) << outcome.StopReason;
    ASSERT_FALSE(log.Lines.empty());
    EXPECT_EQ(log.Lines.back(), "Y@0 beat=0 bpmc=0");
    EXPECT_EQ(ReadBytes(folder / "song.kvt"), "Y 0\n");
    EXPECT_TRUE(ReadBytes(chart) == bytes) << "the chart changed";
}

// A tempo-change line is held whole, its entries being what the run keeps.
// Where the memory left cannot hold it, the run ends with a reason, not
// with the end of the program; the reading keeps only the line's first
// megabyte and so finds no title.
TEST(BigLineThroughCore, WithoutTheMemoryForItEndsWithAReason) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer needs far more address space than the limit leaves";
#endif
    ScratchFolder folder;
    const std::string line = "#CHANGEBPM:" + std::string(support::BigLineBytes(), 'x');
    const fs::path chart = folder.Write("song.dwi", line);
    support::ChildOptions options;
    options.TimeLimitSeconds = 30;
    options.MemoryLimitBytes = support::AddressSpaceInUse() + (16 << 20);
    const support::ChildRun child = support::RunInChild(
        [&] {
            const CoreRun run = ReadAndConvert(chart);
            return run.Reading.StopReason + "\n" + run.LastLine();
        },
        options);
    EXPECT_EQ(child.Ending(), "exit 0") << child.Errors;
    EXPECT_EQ(child.Output, "the chart has no #TITLE tag\n" + kStop + "the chart does not fit in memory");
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"song.dwi"}));
}

// Paths that name no chart one could read. None may block, and none may
// leave a timing file.
TEST(BadPathThroughCore, PathsThatAreNoReadableFileAreRefused) {
    Watchdog watchdog(10);
    ScratchFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo.dwi").c_str(), 0644), 0);
    fs::create_directory(folder / "folder.dwi");
    ConversionRequest settings;
    settings.OutputPath = (folder / "out.kvt").string();
    const std::pair<fs::path, const char*> rows[] = {
        {"/dev/zero", "not a regular file"},
        {folder / "fifo.dwi", "not a regular file"},
        {folder / "folder.dwi", "Is a directory"},
    };
    for (const auto& [path, why] : rows) {
        SCOPED_TRACE(path.string());
        const std::string reason = "cannot open " + path.string() + ": " + why;
        const CoreRun run = ReadAndConvert(path, settings);
        EXPECT_EQ(run.Reading.StopReason, reason);
        EXPECT_EQ(run.LastLine(), kStop + reason);
        EXPECT_FALSE(fs::exists(folder / "out.kvt"));
    }
}

TEST(BadPathThroughCore, AChartWithoutReadPermissionIsRefused) {
    ScratchFolder folder;
    const std::string bytes = support::ChartWith("120", "", "8");
    const fs::path chart = folder.Write("song.dwi", bytes);
    fs::permissions(chart, fs::perms::none);
    ConversionRequest settings;
    settings.OutputPath = (folder / "out.kvt").string();
    const auto result = ReadAndConvertWithoutRoot(chart, settings);
    if (!result) GTEST_SKIP() << "cannot run as nobody here";
    const std::string reason = "cannot open " + chart.string() + ": Permission denied";
    EXPECT_EQ(*result, reason + "\n" + kStop + reason);
    EXPECT_FALSE(fs::exists(folder / "out.kvt"));
    fs::permissions(chart, fs::perms::owner_read);
    EXPECT_EQ(ReadBytes(chart), bytes);
}

TEST(BadOutputThroughCore, AFolderWithoutWritePermissionKeepsItsOldFile) {
    ScratchFolder folder;
    const std::string bytes = support::ChartWith("120", "", "8");
    const fs::path chart = folder.Write("song.dwi", bytes);
    fs::create_directory(folder / "locked");
    folder.Write("locked/song.kvt", "OLD\n");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
    ConversionRequest settings;
    settings.OutputPath = (folder / "locked" / "song.kvt").string();
    const auto result = ReadAndConvertWithoutRoot(chart, settings);
    fs::permissions(folder / "locked", fs::perms::owner_all);
    if (!result) GTEST_SKIP() << "cannot run as nobody here";
    EXPECT_EQ(*result, "\n" + kStop + "cannot create the output file (Permission denied)");
    EXPECT_EQ(folder.Names("locked"), (std::set<std::string>{"song.kvt"}));
    EXPECT_EQ(ReadBytes(folder / "locked" / "song.kvt"), "OLD\n");
    EXPECT_EQ(ReadBytes(chart), bytes);
}

// Output names that reach the chart by another way than its own path: the
// run must refuse, since writing would lose the chart.
TEST(BadOutputThroughCore, TheChartByAnotherNameIsNeverOverwritten) {
    Watchdog watchdog(10);
    const std::string bytes = support::ChartWith("120", "", "8");
    struct Case {
        const char* name;
        std::function<fs::path(const ScratchFolder&)> prepare;  // returns the chart path to convert
        std::string output;  // relative to the folder; empty: the chart's own timing file name
    };
    const Case cases[] = {
        {"the chart's own path", [](const ScratchFolder& f) { return f / "song.dwi"; }, "song.dwi"},
        {"a chart named like its timing file",
         [](const ScratchFolder& f) {
             fs::rename(f / "song.dwi", f / "song.kvt");
             return f / "song.kvt";
         },
         ""},
        {"a link to the chart",
         [](const ScratchFolder& f) {
             fs::create_symlink(f / "song.dwi", f / "link.kvt");
             return f / "song.dwi";
         },
         "link.kvt"},
        {"a ./ spelling", [](const ScratchFolder& f) { return f / "song.dwi"; }, "./song.dwi"},
        {"a hard link",
         [](const ScratchFolder& f) {
             fs::create_hard_link(f / "song.dwi", f / "hard.kvt");
             return f / "song.dwi";
         },
         "hard.kvt"},
        // The chart opened through a link whose timing file name is the
        // file the link points to.
        {"a link named like the chart's timing file",
         [](const ScratchFolder& f) {
             fs::rename(f / "song.dwi", f / "song.kvt");
             fs::create_symlink(f / "song.kvt", f / "song.dwi");
             return f / "song.dwi";
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        folder.Write("song.dwi", bytes);
        const fs::path chart = c.prepare(folder);
        const auto before = folder.Names();
        ConversionRequest settings;
        if (!c.output.empty()) settings.OutputPath = (folder.Path() / c.output).string();
        const CoreRun run = ReadAndConvert(chart, settings);
        EXPECT_FALSE(run.Outcome.Written);
        EXPECT_EQ(run.LastLine(), kStop + "the output file would replace the chart");
        EXPECT_EQ(ReadBytes(chart), bytes);
        EXPECT_EQ(folder.Names(), before);
        if (c.output == "link.kvt") {
            EXPECT_TRUE(fs::is_symlink(folder / "link.kvt"));
        }
    }
}

TEST(BadOutputThroughCore, NamesThatAreNoRegularFileAreRefused) {
    Watchdog watchdog(10);
    ScratchFolder folder;
    const std::string bytes = support::ChartWith("120", "", "8");
    const fs::path chart = folder.Write("song.dwi", bytes);
    ASSERT_EQ(::mkfifo((folder / "fifo.kvt").c_str(), 0644), 0);
    for (const char* name : {"fifo.kvt"}) {
        SCOPED_TRACE(name);
        ConversionRequest settings;
        settings.OutputPath = (folder / name).string();
        const CoreRun run = ReadAndConvert(chart, settings);
        EXPECT_EQ(run.LastLine(), kStop + "the output name is not a regular file");
        EXPECT_EQ(folder.Names(), (std::set<std::string>{"fifo.kvt", "song.dwi"}));
    }
    EXPECT_EQ(ReadBytes(chart), bytes);
}

// A timing file named as long as the file system allows (255 bytes) is
// written in place of an old one, also where the temporary file needs a
// name from the start.
TEST(BadOutputThroughCore, TheLongestNameIsWritten) {
    const std::string stem(251, 's');
    const std::string bytes = support::ChartWith("120", "", "8");
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "temporary file without a name" : "temporary file named from the start");
        ScratchFolder folder;
        const fs::path chart = folder.Write(stem + ".dwi", bytes);
        if (!fs::exists(chart)) GTEST_SKIP() << "this file system takes no name of 255 bytes";
        folder.Write(stem + ".kvt", support::OldTimingFile());
        ConversionRequest settings;
        settings.UnnamedTemporaryFile = unnamed;
        const CoreRun run = ReadAndConvert(chart, settings);
        EXPECT_TRUE(run.Outcome.Written) << run.Outcome.StopReason;
        support::ExpectFolderAfterRun(folder, stem + ".dwi", bytes, stem + ".kvt", "Y 0\n",
                                      support::OldTimingFile());
    }
}

// A part of 8000 arrows gives some 80 KB of records, more than the disk holds.
TEST(BadOutputThroughCore, AFullDiskKeepsTheOldFileAndLeavesNoPart) {
    Watchdog watchdog(20);
    ScratchFolder folder;
    fs::create_directory(folder / "disk");
    std::string whyNot;
    const auto disk = support::SmallDisk::Mount(folder / "disk", 64, whyNot);
    if (!disk) GTEST_SKIP() << whyNot;

    ConversionRequest settings;
    settings.OutputPath = (folder / "disk" / "song.kvt").string();
    const fs::path small = folder.Write("small.dwi", support::ChartWith("120", "", "82"));
    ASSERT_TRUE(ReadAndConvert(small, settings).Outcome.Written) << "the small disk takes no file at all";

    std::string steps;
    for (int line = 0; line < 1000; ++line) steps += "88888888\n";
    const std::string bytes = support::ChartWith("120", "", steps);
    const fs::path big = folder.Write("big.dwi", bytes);
    const CoreRun run = ReadAndConvert(big, settings);
    EXPECT_FALSE(run.Outcome.Written);
    EXPECT_EQ(run.LastLine(), kStop + "cannot write the output file (No space left on device)");
    EXPECT_EQ(folder.Names("disk"), (std::set<std::string>{"song.kvt"}));
    EXPECT_EQ(ReadBytes(folder / "disk" / "song.kvt"), "Y 0\nX 250\n");
    EXPECT_EQ(ReadBytes(big), bytes);

    fs::remove(folder / "disk" / "song.kvt");
    EXPECT_FALSE(ReadAndConvert(big, settings).Outcome.Written);
    EXPECT_TRUE(fs::is_empty(folder / "disk"));
}

}  // namespace
}  // namespace stepquill
