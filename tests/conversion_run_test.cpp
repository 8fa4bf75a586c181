// Whole conversion runs on charts written to a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "chart_formats.h"
#include "chart_info.h"
#include "conversion_requests.h"
#include "conversion_run.h"
#include "dwi_reader.h"
#include "scratch_folder.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using support::ReadBytes;

const std::string kStopPrefix = "Conversion stopped: ";

TEST(TimingFileName, ReplacesTheLastThreeCharacters) {
    const struct {
        const char* chart;
        const char* output;
    } cases[] = {
        {"C:\\charts\\song.dwi", "C:\\charts\\song.kvt"},
        {"SONG.DWI", "SONG.kvt"},
        {"charts\\a.dw", "charts\\akvt"},
        {"a.b", "kvt"},
        {"/tmp/x y/song.dwi", "/tmp/x y/song.kvt"},
        {"song.kvt", "song.kvt"},
    };
    for (const auto& c : cases) EXPECT_EQ(TimingFileName(c.chart), c.output) << c.chart;
}

class ConversionRun : public ::testing::Test {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) { return folder_.Write(name, bytes); }
    // Writes and reads a chart, as the window does before a conversion.
    fs::path Chart(const std::string& bytes, const std::string& name = "song.dwi") {
        const fs::path path = Write(name, bytes);
        const ChartReading reading = ReadChart(path.string(), {}, state_);
        EXPECT_TRUE(reading.Ok());
        state_ = reading.Info;
        return path;
    }
    std::set<std::string> Listing() const { return folder_.Names(); }
    RunOutcome Convert(const fs::path& chart, const std::string& difficulty,
                       const ConversionRequest& settings = {}) {
        return ConvertDWI(support::Asking(chart.string(), difficulty, state_, settings, tokens_), log_);
    }

    const support::ScratchFolder folder_;
    const fs::path& dir_ = folder_.Path();
    ChartInfo state_;  // the last reading
    ArrowTokens tokens_;
    VectorLog log_;
};

const char* const kChart =
    "#TITLE:Song;\r\n#ARTIST:Band;\r\n#BPM:120.000;\r\n#GAP:0;\r\n#FREEZE:4.000=300.000;\r\n"
    "#SINGLE:BASIC:5:\r\n2080\r\n(2468)\r\n;\r\n"
    "#SINGLE:MANIAC:10:8888;\r\n";

TEST_F(ConversionRun, WritesTheTimingFileBesideTheChart) {
    const fs::path chart = Chart(kChart);
    const RunOutcome outcome = Convert(chart, "BASIC(5)");
    EXPECT_TRUE(outcome.Ran);
    EXPECT_TRUE(outcome.Written) << outcome.StopReason;
    EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), "X 0\nY 500\nX 1300\nA 1425\nB 1550\nY 1675\n");
    EXPECT_EQ(log_.Lines,
              (Lines{"Cleared file buffer", "Searching BASIC part.", "Freeze listing...",
                     "4.000=300.000;", "BASIC part found.", "X@0 beat=0 bpmc=0",
                     "Y@500 beat=1 bpmc=4", "Freeze 300.000;", "X@1300 beat=2 bpmc=8",
                     "A@1425 beat=2.25 bpmc=9", "B@1550 beat=2.5 bpmc=10",
                     "Y@1675 beat=2.75 bpmc=11"}));
    EXPECT_EQ(ReadBytes(chart), kChart);
    EXPECT_EQ(Listing(), (std::set<std::string>{"song.dwi", "song.kvt"}));
}

// The file is written a block at a time: blocks smaller than a record, of a
// record or two give the same bytes as one block that holds the whole file.
TEST_F(ConversionRun, AFileWrittenInBlocksIsTheSameFile) {
    const fs::path chart = Chart(kChart);
    ASSERT_TRUE(Convert(chart, "BASIC(5)").Written);
    const std::string whole = ReadBytes(dir_ / "song.kvt");
    for (std::size_t blockBytes : {1, 4, 7}) {
        ConversionRequest settings;
        settings.RecordBlockBytes = blockBytes;
        ASSERT_TRUE(Convert(chart, "BASIC(5)", settings).Written);
        EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), whole) << blockBytes;
        EXPECT_EQ(Listing(), (std::set<std::string>{"song.dwi", "song.kvt"}));
    }
}

// Serves a chart a few kilobytes at a time and looks at the folder before
// each read after the first, while the run is writing its file.
class WatchedChart final : public ChartSource {
public:
    WatchedChart(std::string bytes, std::function<void()> look) : rest_(std::move(bytes)), look_(std::move(look)) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        if (reads_++ > 0) look_();
        const std::size_t count = rest_.copy(buffer, std::min<std::size_t>(size, 4096));
        rest_.erase(0, count);
        return static_cast<std::ptrdiff_t>(count);
    }

private:
    std::string rest_;
    std::function<void()> look_;
    int reads_ = 0;
};

// Where the system can make a file without a name, the timing file has none
// until it is whole: a run that is killed halfway leaves nothing behind.
TEST_F(ConversionRun, TheFileHasNoNameUntilItIsWhole) {
    const int probe = ::open(dir_.c_str(), O_TMPFILE | O_RDWR, 0600);
    if (probe < 0) GTEST_SKIP() << "the file system makes no file without a name";
    ::close(probe);
    std::string steps;
    for (int i = 0; i < 5000; ++i) steps += "8888\r\n";
    const std::string bytes = "#TITLE:T;\r\n#ARTIST:A;\r\n#BPM:120;\r\n#GAP:0;\r\n#SINGLE:BASIC:5:\r\n" + steps + ";\r\n";
    const fs::path chart = Chart(bytes);
    Write("song.kvt", "an old timing file\n");
    std::set<std::set<std::string>> seen;
    WatchedChart watched(bytes, [&] { seen.insert(Listing()); });
    ConversionRequest settings;
    settings.ChartBytes = &watched;
    settings.RecordBlockBytes = 64;
    ASSERT_TRUE(Convert(chart, "BASIC(5)", settings).Written);
    EXPECT_EQ(seen, (std::set<std::set<std::string>>{{"song.dwi", "song.kvt"}}));
    const std::string written = ReadBytes(dir_ / "song.kvt");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 20000);
}

TEST_F(ConversionRun, PartNameEndsBeforeTheOpeningBracket) {
    const fs::path chart = Chart(kChart);
    const RunOutcome outcome = Convert(chart, "MANIAC(10)");
    ASSERT_TRUE(outcome.Written) << outcome.StopReason;
    EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), "Y 0\nY 250\nY 500\nY 1050\n");
    ASSERT_GE(log_.Lines.size(), 2u);
    EXPECT_EQ(log_.Lines[1], "Searching MANIAC part.");
}

TEST_F(ConversionRun, EveryRunStartsFromTheTempoOfTheReading) {
    const fs::path chart = Chart(
        "#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#CHANGEBPM:4=240;\n"
        "#SINGLE:BASIC:3:00008;\n#SINGLE:MANIAC:7:\n08\n;\n");
    ASSERT_TRUE(Convert(chart, "BASIC(3)").Written);
    EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), "Y 750\n");
    ASSERT_TRUE(Convert(chart, "MANIAC(7)").Written);
    EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), "Y 250\n");
    ASSERT_TRUE(Convert(chart, "BASIC(3)").Written);
    EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), "Y 750\n");
}

TEST_F(ConversionRun, StartsAtTheOffset) {
    const fs::path chart = Chart("#TITLE:T;\n#ARTIST:A;\n#BPM:140;\n#GAP:1500;\n#SINGLE:BASIC:3:\n8888\n;\n");
    ASSERT_TRUE(Convert(chart, "BASIC(3)").Written);
    EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), "Y 1500\nY 1714\nY 1928\nY 2142\n");

    Chart("#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:-50.5;\n#SINGLE:BASIC:3:\n48\n;\n", "neg.dwi");
    ASSERT_TRUE(Convert(dir_ / "neg.dwi", "BASIC(3)").Written);
    EXPECT_EQ(ReadBytes(dir_ / "neg.kvt"), "A -51\nY 199\n");
}

TEST_F(ConversionRun, WritesThroughALinkWhoseTargetDoesNotExistYet) {
    const fs::path chart = Chart(kChart);
    fs::create_directory(dir_ / "out");
    fs::create_symlink("out/new.kvt", dir_ / "song.kvt");
    ASSERT_TRUE(Convert(chart, "MANIAC(10)").Written);
    EXPECT_TRUE(fs::is_symlink(dir_ / "song.kvt"));
    EXPECT_EQ(ReadBytes(dir_ / "out" / "new.kvt"), "Y 0\nY 250\nY 500\nY 1050\n");

    // A loop of links has no end to write to.
    fs::create_symlink("loop.kvt", dir_ / "loop.kvt");
    ConversionRequest settings;
    settings.OutputPath = (dir_ / "loop.kvt").string();
    const RunOutcome outcome = Convert(chart, "MANIAC(10)", settings);
    EXPECT_FALSE(outcome.Written);
    EXPECT_EQ(log_.Lines.back(), "Conversion stopped: the output name is a link that leads nowhere");
    EXPECT_TRUE(fs::is_symlink(dir_ / "loop.kvt"));
}

TEST_F(ConversionRun, APartWithoutArrowsGivesAnEmptyFile) {
    const fs::path chart = Chart("#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:3:\n0000\n;\n");
    Write("song.kvt", "OLD");
    ASSERT_TRUE(Convert(chart, "BASIC(3)").Written);
    EXPECT_TRUE(fs::exists(dir_ / "song.kvt"));
    EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), "");
}

TEST_F(ConversionRun, UsesTheGivenOutputPathAndTokens) {
    const fs::path chart = Chart("#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:3:\n79\n;\n");
    tokens_.UpLeft = "L";
    tokens_.UpRight = "R";
    ConversionRequest settings;
    settings.OutputPath = (dir_ / "other.txt").string();
    ASSERT_TRUE(Convert(chart, "BASIC(3)", settings).Written);
    EXPECT_EQ(ReadBytes(dir_ / "other.txt"), "L 0\nR 250\n");
    EXPECT_FALSE(fs::exists(dir_ / "song.kvt"));
}

TEST_F(ConversionRun, AnEmptyPathDoesNothing) {
    log_.Lines = {"earlier"};
    state_.Bpm = 120;
    const RunOutcome outcome = ConvertDWI(support::Asking("", "BASIC(5)", state_), log_);
    EXPECT_FALSE(outcome.Ran);
    EXPECT_FALSE(outcome.Written);
    EXPECT_EQ(log_.Lines, (Lines{"earlier"}));
}

TEST_F(ConversionRun, StopsBeforeTheSearchWriteNothing) {
    const std::string header = "#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:5:\n8\n;\n";
    const fs::path chart = Chart(header);
    const std::string old = "OLD CONTENT THAT MUST STAY\n";
    Write("song.kvt", old);

    struct Case {
        std::string chart;
        std::string difficulty;
        std::string output;
        double bpm;
        std::string reason;
    };
    const Case cases[] = {
        {chart.string(), "", "", 120, "no difficulty chosen"},
        {chart.string(), "BASIC", "", 120, "no difficulty chosen"},
        {chart.string(), "BASIC(5)", "", 0, "the tempo is 0"},
        {chart.string(), "BASIC(5)", "", 1e-320, "the step length is not finite"},
        {chart.string(), "BASIC(5)", (dir_ / "nowhere" / "x.kvt").string(), 120,
         "cannot create the output file (No such file or directory)"},
    };
    const auto before = Listing();
    for (const auto& c : cases) {
        state_.Bpm = c.bpm;
        log_.Lines = {"earlier"};
        ConversionRequest settings;
        settings.OutputPath = c.output;
        const RunOutcome outcome = ConvertDWI(support::Asking(c.chart, c.difficulty, state_, settings, tokens_), log_);
        EXPECT_FALSE(outcome.Written) << c.reason;
        EXPECT_EQ(outcome.StopReason, c.reason);
        EXPECT_EQ(log_.Lines, (Lines{"Cleared file buffer", kStopPrefix + c.reason}));
        EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), old) << c.reason;
        EXPECT_EQ(ReadBytes(chart), header) << c.reason;
        EXPECT_EQ(Listing(), before) << c.reason;
    }
    EXPECT_EQ(TimingFileName((dir_ / "x.kvt").string()), (dir_ / "x.kvt").string());
}

TEST_F(ConversionRun, StopsDuringTheSearchAndWalkWriteNothing) {
    struct Case {
        const char* name;
        std::string chart;
        std::string difficulty;
        Lines firstLines;
        std::string reason;
        std::size_t blockBytes = kTimingFileBlockBytes;
    };
    const std::string header = "#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n";
    const Case cases[] = {
        {"part not found", header + "#SINGLE:BASIC:5:\n8\n;\n", "MANIAC(9)",
         {"Cleared file buffer", "Searching MANIAC part."}, "the MANIAC part was not found"},
        {"only another play style", header + "#DOUBLE:MANIAC:9:\n8\n;\n#SINGLE:BASIC:5:\n8\n;\n",
         "MANIAC(9)", {"Cleared file buffer", "Searching MANIAC part."}, "the MANIAC part was not found"},
        {"no step line after the header", header + "#SINGLE:BASIC:5:", "BASIC(5)",
         {"Cleared file buffer", "Searching BASIC part.", "BASIC part found."},
         "no step data after the part's header"},
        {"tempo change to zero", header + "#CHANGEBPM:2=0;\n#SINGLE:BASIC:5:\n8888\n;\n", "BASIC(5)",
         {"Cleared file buffer", "Searching BASIC part.", "BPMChange listing...", "2=0;",
          "BASIC part found.", "Y@0 beat=0 bpmc=0"}, "a tempo change to 0"},
        // Thirty blocks went to the file, written while the walk went on.
        {"tempo change to zero after many blocks", header + "#CHANGEBPM:150=0;\n#SINGLE:BASIC:5:\n" +
         std::string(400, '8') + "\n;\n", "BASIC(5)",
         {"Cleared file buffer", "Searching BASIC part.", "BPMChange listing...", "150=0;", "BASIC part found."},
         "a tempo change to 0", 64},
    };
    for (const auto& c : cases) {
        const fs::path chart = Chart(c.chart);
        Write("song.kvt", "OLD");
        const auto before = Listing();
        ConversionRequest settings;
        settings.RecordBlockBytes = c.blockBytes;
        const RunOutcome outcome = Convert(chart, c.difficulty, settings);
        EXPECT_FALSE(outcome.Written) << c.name;
        ASSERT_GT(log_.Lines.size(), c.firstLines.size()) << c.name;
        EXPECT_EQ(Lines(log_.Lines.begin(), log_.Lines.begin() + c.firstLines.size()), c.firstLines)
            << c.name;
        EXPECT_EQ(outcome.StopReason, c.reason) << c.name;
        EXPECT_EQ(log_.Lines.back(), kStopPrefix + c.reason) << c.name;
        EXPECT_EQ(ReadBytes(dir_ / "song.kvt"), "OLD") << c.name;
        EXPECT_EQ(ReadBytes(chart), c.chart) << c.name;
        EXPECT_EQ(Listing(), before) << c.name;
    }
}

}  // namespace
}  // namespace stepquill

namespace stepquill {
namespace {

// A quiet run's log: it keeps no lines, so the walks build none for the
// arrows; the lines it is still handed are counted.
class QuietLog final : public ProgressLog {
public:
    void Clear() override {}
    void Append(const std::string& line) override { Lines.push_back(line); }
    bool KeepsLines() const override { return false; }
    std::vector<std::string> Lines;
};

TEST(QuietRun, WritesTheSameFileAndBuildsNoLineOfAPress) {
    const std::filesystem::path source = STEPQUILL_SOURCE_DIR;
    const std::filesystem::path sm = source / "../shared/charts/sm";
    const std::vector<std::pair<std::filesystem::path, std::string>> charts = {
        {source / "examples/example.dwi", "MANIAC(7)"},
        {sm / "garcia-simfile__backup.sm", "Hard(8)"},
        {sm / "hodobox-smsongs__TheFatRat_-_Xenogenesis_Outro_Song.ssc", "Challenge(9)"},
    };
    for (const auto& [chart, part] : charts) {
        SCOPED_TRACE(chart.filename().string());
        support::ScratchFolder folder;
        const std::string copy = folder.Write(chart.filename().string(), support::ReadBytes(chart)).string();
        std::string written[2];
        for (bool quiet : {false, true}) {
            const ChartReading reading = ReadChart(copy);
            ASSERT_TRUE(reading.Ok());
            VectorLog loud;
            QuietLog silent;
            ProgressLog& log = quiet ? static_cast<ProgressLog&>(silent) : loud;
            ConversionRequest settings;
            settings.OutputPath = (folder / (quiet ? "quiet.kvt" : "loud.kvt")).string();
            ASSERT_TRUE(ConvertChart(support::Asking(copy, part, reading.Info, settings), log).Written);
            written[quiet] = support::ReadBytes(settings.OutputPath);
            if (!quiet) {
                EXPECT_TRUE(std::any_of(loud.Lines.begin(), loud.Lines.end(),
                                        [](const std::string& line) { return line.find('@') != std::string::npos; }));
            }
            for (const std::string& line : silent.Lines) EXPECT_EQ(line.find('@'), std::string::npos) << line;
        }
        EXPECT_FALSE(written[0].empty());
        EXPECT_EQ(written[0], written[1]);
    }
}

}  // namespace
}  // namespace stepquill

namespace stepquill {
namespace {

// Several parts converted from one opening of the chart, in any order and
// with a part the chart lacks among them, give each part the file and the
// log that a run of that part alone gives: a search that cannot go on from
// where the last one stopped starts again from the top. A quiet run, whose
// parts go to a thread a core, gives the same files and outcomes, told in
// the parts' order.
TEST(ConversionRuns, EachPartAsItsOwnRunGivesIt) {
    const std::string dwi =
        "#TITLE:B;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:MANIAC:9:\n2080\n;\n#CHANGEBPM:4.000=240.000;\n"
        "#SINGLE:BASIC:3:\n2468\n;\n#FREEZE:2.000=100.000;\n#SINGLE:MANIAC:10:#SINGLE:BASIC:4:\n4444\n;\n"
        "#SINGLE:BASIC:5:\n8\n;\n";
    const std::string sm = "#TITLE:T;#BPMS:0=120,4=240;#STOPS:2=0.5;\n"
                           "#NOTES:dance-single::Hard:9::\n1000\n0100\n2000\n3000\n;\n"
                           "#NOTES:dance-single::Easy:2::\n0001\n0000\n1000\n0000\n;\n"
                           "#NOTES:dance-single::Hard:9::\n0010\n;\n";
    struct Row {
        const char* chart;
        const std::string& bytes;
        std::vector<PartTarget> parts;
    };
    const Row rows[] = {
        {"song.dwi", dwi,
         {{"BASIC(5)", 2, "a.kvt", {}}, {"MANIAC(9)", 0, "b.kvt", {}}, {"BASIC(3)", 0, "c.kvt", {}}, {"MANIAC(10)", 1, "d.kvt", {}},
          {"BASIC(4)", 1, "e.kvt", {}}, {"BASIC(8)", 7, "f.kvt", {}}, {"BASIC(4)", 1, "g.kvt", {}}}},
        {"song.sm", sm,
         {{"Hard(9)#2", 0, "a.kvt", {}}, {"Medium(1)", 0, "b.kvt", {}}, {"Easy(2)", 0, "c.kvt", {}}, {"Hard(9)", 0, "d.kvt", {}}}},
    };
    for (const bool quiet : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.chart) + (quiet ? ", quiet" : ""));
            support::ScratchFolder together;
            support::ScratchFolder alone;
            const fs::path chart = together.Write(row.chart, row.bytes);
            const fs::path aloneChart = alone.Write(row.chart, row.bytes);
            const ChartReading reading = ReadChart(chart.string());
            ASSERT_TRUE(reading.Ok()) << reading.StopReason;

            VectorLog lines;
            UnreadLog unread;
            ProgressLog& log = quiet ? static_cast<ProgressLog&>(unread) : lines;
            std::vector<Lines> logs;
            std::vector<RunOutcome> outcomes;
            ConversionRequest request = support::Asking(chart.string(), "", reading.Info);
            std::vector<PartTarget> parts = row.parts;
            for (PartTarget& part : parts) part.OutputPath = (together / part.OutputPath).string();
            RunConversions(*ReaderFor(FormatOfPath(row.chart)), request, parts, log,
                           [&](std::size_t i, const RunOutcome& run) {
                               EXPECT_EQ(i, outcomes.size());
                               logs.push_back(lines.Lines);
                               outcomes.push_back(run);
                           });
            ASSERT_EQ(outcomes.size(), parts.size());
            EXPECT_TRUE(outcomes.front().Written && outcomes.back().Written);
            for (std::size_t i = 0; i < parts.size(); ++i) {
                SCOPED_TRACE(parts[i].Part);
                VectorLog aloneLog;
                ConversionRequest single =
                    support::Asking(aloneChart.string(), parts[i].Part, ReadChart(aloneChart.string()).Info);
                single.PartOccurrence = parts[i].Occurrence;
                single.OutputPath = (alone / row.parts[i].OutputPath).string();
                const RunOutcome run = ConvertChart(single, aloneLog);
                EXPECT_EQ(outcomes[i].Written, run.Written);
                EXPECT_EQ(outcomes[i].StopReason, run.StopReason);
                if (!quiet) {
                    EXPECT_EQ(logs[i], aloneLog.Lines);
                }
                if (run.Written) {
                    EXPECT_EQ(ReadBytes(parts[i].OutputPath), ReadBytes(single.OutputPath));
                }
            }
            EXPECT_EQ(together.Names().size(), alone.Names().size());
        }
    }
}

}  // namespace
}  // namespace stepquill
