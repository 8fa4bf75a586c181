// Input that no one should give the converter, through stepquill-convert
// itself: each run ends within seconds with exit status 0 and the whole
// timing file, or with 1, its reason and no timing file, never with a crash,
// and leaves the chart and any old timing file as they were.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bad_charts.h"
#include "child_process.h"
#include "run_checks.h"
#include "scratch_folder.h"
#include "small_disk.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using support::BadChart;
using support::ChildRun;
using support::ReadBytes;
using support::ScratchFolder;

const std::string kStop = "Conversion stopped: ";

// Runs the converter in `folder` on the chart and difficulty given first.
ChildRun Convert(const ScratchFolder& folder, std::vector<std::string> arguments,
                 support::ChildOptions options = {}) {
    arguments.insert(arguments.begin(), STEPQUILL_CONVERTER);
    options.WorkingFolder = folder.Path();
    return support::RunProgram(arguments, options);
}

ChildRun ConvertWithoutRoot(const ScratchFolder& folder, std::vector<std::string> arguments) {
    support::ChildOptions options;
    options.WithoutRoot = true;
    return Convert(folder, std::move(arguments), options);
}

// The last line of the text, without its line end.
std::string LastLine(std::string text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const std::size_t end = text.rfind('\n');
    return end == std::string::npos ? text : text.substr(end + 1);
}

// The chart could not be read, so nothing was converted and nothing logged.
void ExpectUnread(const ChildRun& run, const std::string& reason) {
    EXPECT_EQ(run.Ending(), "exit 1");
    EXPECT_EQ(run.Output, "");
    EXPECT_EQ(run.Errors, "stepquill-convert: " + reason + "\n");
}

// A stop of the timing file `output` names it on standard error.
void ExpectStopped(const ChildRun& run, const std::string& reason, const std::string& output = "") {
    EXPECT_EQ(run.Ending(), "exit 1");
    EXPECT_EQ(LastLine(run.Output), kStop + reason);
    EXPECT_EQ(run.Errors, "stepquill-convert: " + (output.empty() ? "" : output + ": ") + reason + "\n");
}

class BadChartThroughConverter : public ::testing::TestWithParam<BadChart> {};

TEST_P(BadChartThroughConverter, WritesTheWholeFileOrNothing) {
    const BadChart& bad = GetParam();
    for (bool withOldFile : {false, true}) {
        SCOPED_TRACE(withOldFile ? "over an old timing file" : "without an old timing file");
        ScratchFolder folder;
        folder.Write("chart.dwi", bad.Bytes);
        std::optional<std::string> old;
        if (withOldFile) old = ReadBytes(folder.Write("chart.kvt", support::OldTimingFile()));

        const ChildRun run = Convert(folder, {"chart.dwi", support::kDifficulty});
        if (!bad.ReadingFailure.empty()) {
            ExpectUnread(run, bad.ReadingFailure);
        } else if (bad.TimingFile) {
            EXPECT_EQ(run.Ending(), "exit 0") << run.Errors;
            EXPECT_EQ(LastLine(run.Output), bad.LastLogLine);
            const auto records = std::count(bad.TimingFile->begin(), bad.TimingFile->end(), '\n');
            EXPECT_EQ(run.Errors, "stepquill-convert: wrote " + std::to_string(records) + " records to chart.kvt\n");
        } else {
            ASSERT_EQ(bad.LastLogLine.rfind(kStop, 0), 0u);
            ExpectStopped(run, bad.LastLogLine.substr(kStop.size()));
        }
        support::ExpectFolderAfterRun(folder, "chart.dwi", bad.Bytes, "chart.kvt", bad.TimingFile, old);
    }
}

// The converter reads files, and no file fails part-way on demand: the
// charts cut short by a read error go through the core alone.
std::vector<BadChart> ChartsReadWhole() {
    std::vector<BadChart> charts = support::BadCharts();
    std::erase_if(charts, [](const BadChart& chart) { return chart.ReadableBytes.has_value(); });
    return charts;
}

INSTANTIATE_TEST_SUITE_P(Table, BadChartThroughConverter, ::testing::ValuesIn(ChartsReadWhole()),
                         [](const auto& info) { return info.param.Name; });

// StepMania charts a person would not write: the whole timing file under
// the name the format gives it, said on standard error, or the reason and
// nothing written.
TEST(BadSimfileThroughConverter, WritesTheWholeFileOrNothing) {
    struct Row {
        const char* Chart;
        std::string Bytes;
        const char* TimingName;
        const char* Errors;
        std::optional<std::string> TimingFile;  // none: nothing written
    };
    const char* const listsNone = "stepquill-convert: the chart lists no difficulty Hard(9) (it lists: none)\n";
    const Row rows[] = {
        // A file without a single chart's tag is no chart.
        {"song.sm", "", "song.kvt", "stepquill-convert: the chart has no #NOTES tag\n", std::nullopt},
        {"readme.sm", "# Songs\n\nPut your charts here.\n", "readme.kvt",
         "stepquill-convert: the chart has no #NOTES tag\n", std::nullopt},
        {"song.ssc", "#TITLE:T;#BPMS:0=120;#NOTES:\n1000\n;", "song.kvt",
         "stepquill-convert: the chart has no #NOTEDATA tag\n", std::nullopt},
        {"song.sm", "#TITLE:T;#NOTES:dance-double::Hard:9::\n10000000\n;", "song.kvt", listsNone, std::nullopt},
        {"song.sm", "#TITLE:T\n#BPMS:0=120\n#NOTES:dance-single::Hard:9::\n1000\n0001\n", "song.kvt",
         "stepquill-convert: wrote 2 records to song.kvt\n", "A 0\nB 1000\n"},
        {"song.ssc",
         "#TITLE:T;#BPMS:0=0.000000000001;#NOTEDATA:;#STEPSTYPE:dance-single;#DIFFICULTY:Hard;#METER:9;"
         "#NOTES:\n1000\n0000\n0000\n0000\n,\n1000\n;",
         "song.kvt", "stepquill-convert: a time beyond what the timing file can hold\n", std::nullopt},
        {"SONG.SSC",
         "#TITLE:T;#BPMS:0=120;#NOTEDATA:;#STEPSTYPE:dance-single;#DIFFICULTY:Hard;#METER:9;"
         "#NOTES:\n1000\n0100\n0010\n0001\n;",
         "SONG.kvt", "stepquill-convert: wrote 4 records to SONG.kvt\n", "A 0\nX 500\nY 1000\nB 1500\n"},
    };
    for (const Row& row : rows) {
        for (bool withOldFile : {false, true}) {
            SCOPED_TRACE(row.Errors + std::string(withOldFile ? "over an old file" : ""));
            ScratchFolder folder;
            folder.Write(row.Chart, row.Bytes);
            std::optional<std::string> old;
            if (withOldFile) old = ReadBytes(folder.Write(row.TimingName, support::OldTimingFile()));
            const ChildRun run = Convert(folder, {row.Chart, "Hard(9)"});
            EXPECT_EQ(run.Ending(), row.TimingFile ? "exit 0" : "exit 1");
            EXPECT_EQ(run.Errors, row.Errors);
            support::ExpectFolderAfterRun(folder, row.Chart, row.Bytes, row.TimingName, row.TimingFile, old);
        }
    }
}

// The reading passes over the whole line once before it finds no title.
TEST(BigLineThroughConverter, AHundredMegabytesEndTheReading) {
    ScratchFolder folder;
    const std::string bytes(support::BigLineBytes(), 'x');
    folder.Write("chart.dwi", bytes);
    support::ChildOptions options;
    options.TimeLimitSeconds = 60;
    const ChildRun run = Convert(folder, {"chart.dwi", support::kDifficulty}, options);
    ExpectUnread(run, "the chart has no #TITLE tag");
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"chart.dwi"}));
    EXPECT_TRUE(ReadBytes(folder / "chart.dwi") == bytes) << "the chart changed";
}

// A field is kept to its first megabyte, so a line that begins like a tag
// is read in far less memory than it holds.
TEST(BigLineThroughConverter, WithLittleMemoryALongFieldIsPassedOver) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer needs far more address space than the limit leaves";
#endif
    ScratchFolder folder;
    std::string line(support::BigLineBytes(), 'x');
    line[0] = '#';
    folder.Write("chart.dwi", line);
    support::ChildOptions options;
    options.MemoryLimitBytes = 32 << 20;
    const ChildRun run = Convert(folder, {"chart.dwi", support::kDifficulty}, options);
    ExpectUnread(run, "the chart has no #TITLE tag");
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"chart.dwi"}));
}

TEST(BadPathThroughConverter, PathsThatAreNoReadableFileAreRefused) {
    ScratchFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo.dwi").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((folder / "fifo.sm").c_str(), 0644), 0);
    fs::create_directory(folder / "folder.dwi");
    fs::create_directory(folder / "folder.ssc");
    const std::pair<const char*, const char*> rows[] = {
        {"/dev/zero", "not a regular file"}, {"fifo.dwi", "not a regular file"}, {"folder.dwi", "Is a directory"},
        {"fifo.sm", "not a regular file"},   {"folder.ssc", "Is a directory"},
    };
    for (const auto& [path, why] : rows) {
        SCOPED_TRACE(path);
        ExpectUnread(Convert(folder, {path, support::kDifficulty, "-o", "out.kvt"}),
                     std::string("cannot open ") + path + ": " + why);
        EXPECT_EQ(folder.Names(), (std::set<std::string>{"fifo.dwi", "folder.dwi", "fifo.sm", "folder.ssc"}));
    }
}

// A file larger than any chart, by its size or by what it reads on to
// (/proc/self/pagemap claims to be empty), is refused within seconds, and
// an old timing file stays.
TEST(BadPathThroughConverter, ChartsLargerThanAnyChartAreRefused) {
    ScratchFolder folder;
    for (const char* name : {"huge.dwi", "huge.ssc"}) fs::resize_file(folder.Write(name, ""), std::uintmax_t{2} << 30);
    for (const char* chart : {"huge.dwi", "huge.ssc", "/proc/self/pagemap"}) {
        for (bool withOldFile : {false, true}) {
            SCOPED_TRACE(chart + std::string(withOldFile ? " over an old timing file" : ""));
            fs::remove(folder / "out.kvt");
            if (withOldFile) folder.Write("out.kvt", support::OldTimingFile());
            ExpectUnread(Convert(folder, {chart}), "the chart is larger than 1 GiB");
            ExpectUnread(Convert(folder, {chart, "--all", "-o", "."}), "the chart is larger than 1 GiB");
            ExpectUnread(Convert(folder, {chart, support::kDifficulty, "-o", "out.kvt"}),
                         "the chart is larger than 1 GiB");
            EXPECT_EQ(folder.Names(), withOldFile ? (std::set<std::string>{"huge.dwi", "huge.ssc", "out.kvt"})
                                                  : (std::set<std::string>{"huge.dwi", "huge.ssc"}));
            if (withOldFile) {
                EXPECT_EQ(ReadBytes(folder / "out.kvt"), support::OldTimingFile());
            }
        }
    }
}

// Every read of this file fails (EIO), as on a failing disk: the reason is
// given, instead of the end of the program, and an old timing file stays.
TEST(BadPathThroughConverter, AChartThatCannotBeReadIsNoCrash) {
    ScratchFolder folder;
    folder.Write("out.kvt", support::OldTimingFile());
    EXPECT_EQ(Convert(folder, {"/proc/self/mem"}).Ending(), "exit 1");
    ExpectUnread(Convert(folder, {"/proc/self/mem", support::kDifficulty, "-o", "out.kvt"}),
                 "cannot read /proc/self/mem: Input/output error");
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"out.kvt"}));
    EXPECT_EQ(ReadBytes(folder / "out.kvt"), support::OldTimingFile());
}

TEST(BadPathThroughConverter, AChartWithoutReadPermissionIsRefused) {
    ScratchFolder folder;
    const std::string bytes = support::ChartWith("120", "", "8");
    folder.Write("chart.dwi", bytes);
    fs::permissions(folder / "chart.dwi", fs::perms::none);
    const ChildRun run = ConvertWithoutRoot(folder, {"chart.dwi", support::kDifficulty});
    if (run.SetupFailed()) GTEST_SKIP() << "cannot run as nobody here";
    ExpectUnread(run, "cannot open chart.dwi: Permission denied");
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"chart.dwi"}));
    fs::permissions(folder / "chart.dwi", fs::perms::owner_read);
    EXPECT_EQ(ReadBytes(folder / "chart.dwi"), bytes);
}

TEST(BadOutputThroughConverter, AFolderWithoutWritePermissionKeepsItsOldFile) {
    ScratchFolder folder;
    const std::string bytes = support::ChartWith("120", "", "8");
    fs::permissions(folder.Write("chart.dwi", bytes), fs::perms::owner_read | fs::perms::others_read);
    fs::create_directory(folder / "locked");
    folder.Write("locked/chart.kvt", "OLD\n");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
    const ChildRun run = ConvertWithoutRoot(folder, {"chart.dwi", support::kDifficulty, "-o", "locked/chart.kvt"});
    fs::permissions(folder / "locked", fs::perms::owner_all);
    if (run.SetupFailed()) GTEST_SKIP() << "cannot run as nobody here";
    ExpectStopped(run, "cannot create the output file (Permission denied)", "locked/chart.kvt");
    EXPECT_EQ(folder.Names("locked"), (std::set<std::string>{"chart.kvt"}));
    EXPECT_EQ(ReadBytes(folder / "locked" / "chart.kvt"), "OLD\n");
    EXPECT_EQ(ReadBytes(folder / "chart.dwi"), bytes);
}

// Writing the timing file over the chart would lose it, by whatever name
// the output reaches it. Beside the chart stand link.kvt and link.dwi, both
// links to it; link.dwi's own timing file name is link.kvt. self.kvt is a
// chart whose own timing file name is itself.
TEST(BadOutputThroughConverter, TheChartByAnotherNameIsNeverOverwritten) {
    const std::string bytes = support::ChartWith("120", "", "8");
    ScratchFolder folder;
    folder.Write("chart.dwi", bytes);
    folder.Write("self.kvt", bytes);
    fs::create_symlink("chart.dwi", folder / "link.kvt");
    fs::create_symlink("chart.dwi", folder / "link.dwi");
    const auto before = folder.Names();
    const std::vector<std::string> cases[] = {
        {"chart.dwi", "-o", "chart.dwi"},
        {"chart.dwi", "-o", "./chart.dwi"},
        {"chart.dwi", "-o", (folder / "chart.dwi").string()},
        {"chart.dwi", "-o", "link.kvt"},
        {"link.dwi"},
        {"self.kvt"},
    };
    for (std::vector<std::string> arguments : cases) {
        SCOPED_TRACE(arguments.back());
        arguments.insert(arguments.begin() + 1, support::kDifficulty);
        ExpectStopped(Convert(folder, arguments), "the output file would replace the chart");
        EXPECT_EQ(folder.Names(), before);
        EXPECT_EQ(ReadBytes(folder / "chart.dwi"), bytes);
        EXPECT_EQ(ReadBytes(folder / "self.kvt"), bytes);
        EXPECT_TRUE(fs::is_symlink(folder / "link.kvt"));
    }
}

TEST(BadOutputThroughConverter, NamesThatAreNoRegularFileAreRefused) {
    ScratchFolder folder;
    folder.Write("chart.dwi", support::ChartWith("120", "", "8"));
    ASSERT_EQ(::mkfifo((folder / "fifo.kvt").c_str(), 0644), 0);
    for (const char* name : {"fifo.kvt"}) {
        SCOPED_TRACE(name);
        ExpectStopped(Convert(folder, {"chart.dwi", support::kDifficulty, "-o", name}),
                      "the output name is not a regular file", name);
        EXPECT_EQ(folder.Names(), (std::set<std::string>{"chart.dwi", "fifo.kvt"}));
    }
}

// A DWI chart's timing file takes the place of its path's last three
// characters; where those reach across a "/", it would land outside the
// chart's folder ("zz/a" would give "zkvt"), so the run stops and asks for
// -o, and whatever file stands at that place stays as it was. Every other
// path keeps the rule, "zz/abc" giving "zz/kvt".
TEST(BadPathThroughConverter, AChartNameTooShortForItsTimingFileStops) {
    const std::string bytes = support::ChartWith("120", "", "8");
    const std::string tooShort = "the chart's name is too short to name its timing file; name it with -o";
    struct Row {
        const char* chart;
        const char* timingName;  // where the rule would put it
        bool written;
    };
    const Row rows[] = {{"zz/a", "zkvt", false}, {"zz/ab", "zzkvt", false}, {"zz/abc", "zz/kvt", true}};
    for (const Row& row : rows) {
        for (bool withOldFile : {false, true}) {
            SCOPED_TRACE(std::string(row.chart) + (withOldFile ? ", over an old file" : ""));
            ScratchFolder folder;
            fs::create_directory(folder / "zz");
            folder.Write(row.chart, bytes);
            std::optional<std::string> old;
            if (withOldFile) old = ReadBytes(folder.Write(row.timingName, support::OldTimingFile()));
            const ChildRun run = Convert(folder, {row.chart, support::kDifficulty});
            if (row.written) {
                EXPECT_EQ(run.Ending(), "exit 0") << run.Errors;
                EXPECT_EQ(ReadBytes(folder / row.timingName), "Y 0\n");
                continue;
            }
            ExpectStopped(run, tooShort);
            if (old)
                EXPECT_EQ(ReadBytes(folder / row.timingName), *old);
            else
                EXPECT_FALSE(fs::exists(folder / row.timingName));
            ASSERT_EQ(Convert(folder, {row.chart, support::kDifficulty, "-o", "out.kvt"}).Ending(), "exit 0");
            EXPECT_EQ(ReadBytes(folder / "out.kvt"), "Y 0\n");
        }
    }
}

// --all's folder reached through another user's link to a folder in a
// sticky folder that everyone may write is refused before a file is made,
// over the timing files that are there already too; the caller's own link
// is followed.
TEST(BadOutputThroughConverter, AllsFolderThroughAnotherUsersLinkIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "making links of other users takes root";
    const std::string bytes = support::ChartWith("120", "", "8");
    for (const uid_t linkOwner : {uid_t(65534), uid_t(0)}) {
        for (bool withOldFile : {false, true}) {
            SCOPED_TRACE(std::to_string(linkOwner) + (withOldFile ? ", over an old file" : ""));
            ScratchFolder folder;
            folder.Write("song.dwi", bytes);
            fs::create_directory(folder / "shared");
            ASSERT_EQ(::chmod((folder / "shared").c_str(), 01777), 0);
            fs::create_directory(folder / "private");
            std::optional<std::string> old;
            if (withOldFile) old = ReadBytes(folder.Write("private/song.BASIC.kvt", support::OldTimingFile()));
            fs::create_directory_symlink(folder / "private", folder / "shared" / "dirlink");
            ASSERT_EQ(::lchown((folder / "shared" / "dirlink").c_str(), linkOwner, linkOwner), 0);
            const ChildRun run = Convert(folder, {"song.dwi", "--all", "-q", "-o", "shared/dirlink"});
            if (linkOwner == 0) {
                EXPECT_EQ(run.Ending(), "exit 0") << run.Errors;
                EXPECT_EQ(ReadBytes(folder / "private" / "song.BASIC.kvt"), "Y 0\n");
                continue;
            }
            EXPECT_EQ(run.Ending(), "exit 1");
            EXPECT_EQ(run.Errors, "stepquill-convert: the output path goes through another user's link in a shared "
                                  "folder (shared/dirlink)\n");
            if (old)
                EXPECT_EQ(ReadBytes(folder / "private" / "song.BASIC.kvt"), *old);
            else
                EXPECT_TRUE(fs::is_empty(folder / "private"));
        }
    }
}

// A part of 8000 arrows gives some 80 KB of records, more than the disk holds.
TEST(BadOutputThroughConverter, AFullDiskKeepsTheOldFileAndLeavesNoPart) {
    ScratchFolder folder;
    fs::create_directory(folder / "disk");
    std::string whyNot;
    const auto disk = support::SmallDisk::Mount(folder / "disk", 64, whyNot);
    if (!disk) GTEST_SKIP() << whyNot;

    folder.Write("small.dwi", support::ChartWith("120", "", "82"));
    ASSERT_EQ(Convert(folder, {"small.dwi", support::kDifficulty, "-o", "disk/chart.kvt"}).Ending(), "exit 0")
        << "the small disk takes no file at all";
    std::string steps;
    for (int line = 0; line < 1000; ++line) steps += "88888888\n";
    const std::string bytes = support::ChartWith("120", "", steps);
    folder.Write("big.dwi", bytes);
    ExpectStopped(Convert(folder, {"big.dwi", support::kDifficulty, "-o", "disk/chart.kvt"}),
                  "cannot write the output file (No space left on device)", "disk/chart.kvt");
    EXPECT_EQ(folder.Names("disk"), (std::set<std::string>{"chart.kvt"}));
    EXPECT_EQ(ReadBytes(folder / "disk" / "chart.kvt"), "Y 0\nX 250\n");
    EXPECT_EQ(ReadBytes(folder / "big.dwi"), bytes);

    fs::remove(folder / "disk" / "chart.kvt");
    ExpectStopped(Convert(folder, {"big.dwi", support::kDifficulty, "-o", "disk/chart.kvt"}),
                  "cannot write the output file (No space left on device)", "disk/chart.kvt");
    EXPECT_TRUE(fs::is_empty(folder / "disk"));
}

// A chart with a hole of `holeBytes` NUL bytes after `before`, which costs
// the disk nothing, and `after` behind it.
void WriteSparseChart(const ScratchFolder& folder, const std::string& before, std::size_t holeBytes,
                      const std::string& after) {
    const int file = ::open((folder / "chart.dwi").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::pwrite(file, before.data(), before.size(), 0), static_cast<ssize_t>(before.size()));
    const auto at = static_cast<off_t>(before.size() + holeBytes);
    ASSERT_EQ(::pwrite(file, after.data(), after.size(), at), static_cast<ssize_t>(after.size()));
    ::close(file);
}

// Fields and lines of any length cost no more memory than short ones: a
// title of 500 MB, kept to its first megabyte, and a step line of NUL bytes
// that fills the chart up to its 1 GiB limit after a ";" (the walk ends at
// the ";", and is never handed the whole line). Both charts are sparse files.
TEST(BigLineThroughConverter, HugeFieldsAndLinesTakeBoundedMemory) {
    struct Row {
        const char* name;
        std::string before;
        std::size_t hole;
        std::string after;
        std::string lastLine;
    };
    const std::string header = "#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:5:\n8\n";
    const Row rows[] = {
        {"a 500 MB title", "#TITLE:", 500u << 20, ";\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:5:\n8\n;\n",
         "Y@0 beat=0 bpmc=0"},
        {"a 1 GB step line", header + ";", (1u << 30) - header.size() - 2, "\n", "Y@0 beat=0 bpmc=0"},
    };
    for (const Row& row : rows) {
        for (bool withOldFile : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (withOldFile ? ", over an old file" : ""));
            ScratchFolder folder;
            WriteSparseChart(folder, row.before, row.hole, row.after);
            std::optional<std::string> old;
            if (withOldFile) old = ReadBytes(folder.Write("chart.kvt", support::OldTimingFile()));
            support::ChildOptions options;
            options.TimeLimitSeconds = 60;
            const ChildRun run = Convert(folder, {"chart.dwi", support::kDifficulty}, options);
            EXPECT_EQ(run.Ending(), "exit 0") << run.Errors;
            EXPECT_EQ(LastLine(run.Output), row.lastLine);
            EXPECT_EQ(ReadBytes(folder / "chart.kvt"), "Y 0\n");
#ifndef __SANITIZE_ADDRESS__
            EXPECT_LT(run.PeakKilobytes, 64 * 1024);
#endif
        }
    }
}

// Standard input and output closed: no file the converter opens takes
// their numbers, so the log goes nowhere and the timing file holds the
// records alone.
TEST(HostileStreamsThroughConverter, ClosedStandardStreamsKeepTheLogOutOfTheFile) {
    std::string steps;
    for (int line = 0; line < 100; ++line) steps += "8888\n";
    const std::string bytes = support::ChartWith("120", "", steps);
    for (bool withOldFile : {false, true}) {
        SCOPED_TRACE(withOldFile ? "over an old file" : "without an old file");
        ScratchFolder folder;
        folder.Write("chart.dwi", bytes);
        folder.Write("expected.dwi", bytes);
        ASSERT_EQ(Convert(folder, {"expected.dwi", support::kDifficulty, "-q"}).Ending(), "exit 0");
        if (withOldFile) folder.Write("chart.kvt", support::OldTimingFile());
        support::ChildOptions options;
        options.StandardStreamsClosed = true;
        const ChildRun run = Convert(folder, {"chart.dwi", support::kDifficulty}, options);
        EXPECT_EQ(run.Ending(), "exit 0") << run.Errors;
        EXPECT_EQ(ReadBytes(folder / "chart.kvt"), ReadBytes(folder / "expected.kvt"));
    }
}

// Under `ulimit -f`, a write beyond the limit fails with a reason instead
// of SIGXFSZ ending the converter without a word; an old file stays.
TEST(HostileStreamsThroughConverter, AFileSizeLimitStopsWithAReason) {
    std::string steps;
    for (int line = 0; line < 5000; ++line) steps += "8888\n";
    const std::string bytes = support::ChartWith("120", "", steps);
    for (bool withOldFile : {false, true}) {
        SCOPED_TRACE(withOldFile ? "over an old file" : "without an old file");
        ScratchFolder folder;
        folder.Write("chart.dwi", bytes);
        std::optional<std::string> old;
        if (withOldFile) old = ReadBytes(folder.Write("chart.kvt", support::OldTimingFile()));
        support::ChildOptions options;
        options.FileSizeLimitBytes = 100 * 1024;
        const ChildRun run = Convert(folder, {"chart.dwi", support::kDifficulty, "-q"}, options);
        EXPECT_EQ(run.Ending(), "exit 1");
        EXPECT_EQ(run.Errors, "stepquill-convert: chart.kvt: cannot write the output file (File too large)\n");
        support::ExpectFolderAfterRun(folder, "chart.dwi", bytes, "chart.kvt", std::nullopt, old);
    }
}

}  // namespace
}  // namespace stepquill
