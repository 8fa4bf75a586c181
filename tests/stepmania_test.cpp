// StepMania .sm and .ssc charts, converted whole: small charts whose times
// are worked out by hand from the timing rules, then the shared real charts.
// Unless a case says otherwise: 120 BPM from beat 0, offset 0, so a beat is
// 500 ms and a row (1/48 beat) 500/48 ms; a measure of 4 lines is a line a
// beat.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chart_formats.h"
#include "conversion_requests.h"
#include "record_writer.h"
#include "conversion_run.h"
#include "scratch_folder.h"
#include "stepmania_reader.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using support::ReadBytes;
using support::ScratchFolder;

// Notes written with a blank for each line end.
std::string N(std::string lines) {
    std::replace(lines.begin(), lines.end(), ' ', '\n');
    return lines + "\n";
}

std::string Repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

// A measure of `count` lines, empty but for the `first` ones.
std::string Measure(int count, const std::vector<std::string>& first) {
    std::string lines;
    for (int line = 0; line < count; ++line)
        lines += (line < static_cast<int>(first.size()) ? first[line] : "0000") + "\n";
    return lines;
}

std::string SmChart(const std::string& notes, const std::string& difficulty = "Hard", const std::string& meter = "9",
                    const std::string& description = "") {
    return "#NOTES:\n     dance-single:\n     " + description + ":\n     " + difficulty + ":\n     " + meter +
           ":\n     0,0,0,0,0:\n" + notes + ";\n";
}
std::string Sm(const std::string& timing, const std::string& notes) {
    return "#TITLE:Song;\n#OFFSET:0;\n#BPMS:0=120;\n" + timing + "\n" + SmChart(notes);
}
std::string SscChart(const std::string& tags, const std::string& notes, const std::string& difficulty = "Hard",
                     const std::string& meter = "9") {
    return "#NOTEDATA:;\n#STEPSTYPE:dance-single;\n#DIFFICULTY:" + difficulty + ";\n#METER:" + meter + ";\n" + tags +
           "\n#NOTES:\n" + notes + ";\n";
}
std::string Ssc(const std::string& song, const std::string& chartTags, const std::string& notes) {
    return "#TITLE:Song;\n#OFFSET:0;\n#BPMS:0=120;\n" + song + "\n" + SscChart(chartTags, notes);
}

struct Conversion {
    RunOutcome Outcome;
    std::string TimingFile;
    Lines Log;
};

// `heldBackBytes` other than 0 holds back at most that much, waiting for
// hold heads' tails, and writes the timing file in blocks of 256 bytes, most
// of them on the writer's thread.
Conversion Convert(const std::string& name, const std::string& bytes, const std::string& key,
                   const ArrowTokens& tokens = {}, std::size_t heldBackBytes = 0) {
    ScratchFolder folder;
    const fs::path chart = folder.Write(name, bytes);
    VectorLog log;
    Conversion run;
    ConversionRequest request = support::Asking(chart.string(), key, {}, {}, tokens);
    if (heldBackBytes != 0) {
        request.RecordBlockBytes = 256;
        stepmania::StepManiaReader reader(
            name.ends_with(".ssc") ? stepmania::SimfileFormat::Ssc : stepmania::SimfileFormat::Sm, heldBackBytes);
        run.Outcome = RunConversion(reader, request, log);
    } else {
        run.Outcome = ConvertChart(request, log);
    }
    const fs::path kvt = folder / (chart.stem().string() + ".kvt");
    if (fs::exists(kvt)) run.TimingFile = ReadBytes(kvt);
    run.Log = log.Lines;
    return run;
}

struct Case {
    const char* name;
    const char* file;  // "song.sm" or "song.ssc"
    std::string bytes;
    std::string records;
    Lines logLines = {};  // must stand in the log in this order
    const char* key = "Hard(9)";
};

void ExpectConverts(const Case& c, const ArrowTokens& tokens = {}) {
    SCOPED_TRACE(c.name);
    const Conversion run = Convert(c.file, c.bytes, c.key, tokens);
    EXPECT_TRUE(run.Outcome.Written) << run.Outcome.StopReason;
    EXPECT_EQ(run.TimingFile, c.records);
    auto from = run.Log.begin();
    for (const std::string& line : c.logLines) {
        from = std::find(from, run.Log.end(), line);
        EXPECT_NE(from, run.Log.end()) << "missing or out of order: " << line;
        if (from == run.Log.end()) break;
    }
}

TEST(StepManiaTiming, TempoOffsetStopsAndDelays) {
    const Case cases[] = {
        // Beat 0 lies at -OFFSET s.
        {"negative_offset", "song.sm", "#OFFSET:-0.5;#BPMS:0=120;" + SmChart(N("1000 0100 0000 0000")),
         "A 500\nX 1000\n"},
        // -1.5 ms is taken down to -2.
        {"positive_offset", "song.sm", "#OFFSET:0.0015;#BPMS:0=120;" + SmChart(N("1000 0000 0000 0000")), "A -2\n"},
        // -(-2.046 × 1000) is 2045.9999999999998 in doubles: floor(t + 1e-6).
        {"floor_millionth", "song.sm", "#OFFSET:-2.046;#BPMS:0=120;" + SmChart(N("1000 0000 0000 0000")),
         "A 2046\n"},
        // The change on beat 1 leaves beat 1 at 500; beat 2 is 1000 later.
        {"tempo_change", "song.sm", Sm("#BPMS:0=120,1=60;", N("1000 1000 1000 0000")), "A 0\nA 500\nA 1500\n",
         {"BPM Change to 120 beat=0", "A@0 beat=0", "BPM Change to 60 beat=1", "A@500 beat=1", "A@1500 beat=2"}},
        // A stop counts after its row's notes, a delay before them.
        {"stop", "song.sm", Sm("#STOPS:1=0.5;", N("0000 1000 1000 0000")), "A 500\nA 1500\n",
         {"A@500 beat=1", "Stop 0.5s beat=1", "A@1500 beat=2"}},
        {"delay", "song.sm", Sm("#DELAYS:1=0.5;", N("0000 1000 1000 0000")), "A 1000\nA 1500\n",
         {"Delay 0.5s beat=1", "A@1000 beat=1"}},
        {"stop_and_delay", "song.sm", Sm("#STOPS:1=0.5;\n#DELAYS:1=0.25;", N("0000 1000 1000 0000")),
         "A 750\nA 1750\n"},
        // .sm: a stop before beat 0 moves the offset by its length; .ssc drops it.
        {"sm_stop_before_0", "song.sm", Sm("#STOPS:-1=0.5;", N("1000 0000 0000 0000")), "A 500\n"},
        {"ssc_stop_before_0", "song.ssc", Ssc("#STOPS:-1=0.5;", "", N("1000 0000 0000 0000")), "A 0\n"},
        // No tempo at beat 0: the first one holds from there (60 BPM).
        {"first_tempo_late", "song.sm", "#BPMS:2=60,4=120;" + SmChart(N("0000 0000 0000 0000 , 1000 1000 0000 0000")),
         "A 4000\nA 4500\n"},
        // Segment beats go to the nearest row, ties to even: 1.01 → row 48;
        // 1.03125 → 49.5 → row 50: 50 rows at 120 + 46 at 60 = 520.83 + 958.33;
        // 0.09375 → 4.5 → row 4: 4 rows at 120 + 44 at 60 = 41.67 + 916.67.
        {"row_48", "song.sm", Sm("#BPMS:0=120,1.01=60;", N("0000 0000 1000 0000")), "A 1500\n"},
        {"row_50", "song.sm", Sm("#BPMS:0=120,1.03125=60;", N("0000 0000 1000 0000")), "A 1479\n"},
        {"row_4", "song.sm", Sm("#BPMS:0=120,0.09375=60;", N("0000 1000 0000 0000")), "A 958\n"},
    };
    for (const Case& c : cases) ExpectConverts(c);
}

TEST(StepManiaTiming, RowsOfMeasures) {
    const Case cases[] = {
        // 3 lines: rows 0, 64, 128 → 0, 666.67, 1333.33.
        {"three_lines", "song.sm", Sm("", N("1000 1000 1000")), "A 0\nA 666\nA 1333\n"},
        // 5 lines: rows 0, 38, 77, 115, 154 (192·l/5 to the nearest).
        {"five_lines", "song.sm", Sm("", N("1000 1000 1000 1000 1000")), "A 0\nA 395\nA 802\nA 1197\nA 1604\n"},
        // 128 lines: line 1 → 1.5 → row 2, line 3 → 4.5 → row 4 (ties to even).
        {"128_lines", "song.sm", Sm("", Measure(128, {"0000", "1000", "0000", "1000"})), "A 20\nA 41\n"},
        // ",," is one separator; ",\n," is an empty measure.
        {"double_comma", "song.sm", Sm("", N("1000 ,, 1000")), "A 0\nA 2000\n"},
        {"blank_measure", "song.sm", Sm("", N("1000 , , 1000")), "A 0\nA 4000\n"},
        // Blank and white lines are no lines: two lines, rows 0 and 96.
        {"blank_lines", "song.sm", Sm("", "\n1000\n\n \t \r\n0100\n\n"), "A 0\nX 1000\n"},
        // An escaped "//" is still a comment in the notes, its line end
        // included: "10000100", then two lines of three.
        {"escaped_comment", "song.sm", Sm("", "1000\\/\\/c\n0100\n0010\n0001\n"), "A 0\nY 666\nB 1333\n"},
    };
    for (const Case& c : cases) ExpectConverts(c);
}

TEST(StepManiaTiming, NoteKindsAndHolds) {
    const Case cases[] = {
        {"kinds", "song.sm", Sm("", N("M000 L000 F000 K000 , 4000 0000 3000 0000")), "A 2000\n",
         {"Mine: A@0 beat=0", "Lift: A@500 beat=1", "Fake: A@1000 beat=2", "Keysound: A@1500 beat=3",
          "A@2000 beat=4", "Hold end: A@3000 beat=6"}},
        // "[5]" after the first panel is its keysound, not two panels.
        {"keysound_index", "song.sm", Sm("", N("0[5]100 0000 0000 0000")), "X 0\n"},
        {"head_without_tail", "song.sm", Sm("", N("2000 0000 0000 0000")), "",
         {"Hold without its end: A@0 beat=0"}},
        {"tap_inside_hold", "song.sm", Sm("", N("2000 1000 3000 0000")), "A 500\n"},
        {"mine_inside_hold", "song.sm", Sm("", N("2000 M000 3000 0000")), ""},
        {"keysound_inside_hold", "song.sm", Sm("", N("2000 K000 3000 0000")), "A 0\n"},
        // The later line on a row wins: 256 lines put lines 2 and 3 on row 2.
        {"shared_row", "song.sm", Sm("", Measure(256, {"0000", "0000", "M000", "1000"})), "A 20\n"},
    };
    for (const Case& c : cases) ExpectConverts(c);
}

// A head's fate comes with the notes after it, which wait for it; where more
// would wait than a reader holds back, every head's fate comes from a second
// reading of the notes. Both give the same records and log.
TEST(StepManiaTiming, NotesHeldBackUntilAHeadsFateIsKnown) {
    // The head on the left at row 0, its tail 53 measures (10 176 rows)
    // later, a tap on the down panel on every other row of 83 measures of
    // 192 lines: more than the reading takes in one piece, so the second
    // reading comes while the first still has the rest to read.
    std::string longHold;
    std::string longHoldRecords = "A 0\n";
    for (int row = 0; row < 83 * 192; ++row) {
        if (row > 0 && row % 192 == 0) longHold += ",\n";
        longHold += row == 0 ? "2000\n" : row == 53 * 192 ? "3000\n" : "0100\n";
        if (row != 0 && row != 53 * 192) longHoldRecords += "X " + std::to_string(125 * row / 12) + "\n";
    }
    const Case cases[] = {
        {"tail_10176_rows_later", "song.sm", Sm("", longHold), longHoldRecords,
         {"A@0 beat=0", "X@500 beat=1", "Hold end: A@106000 beat=212"}},
        {"head_open_at_the_end", "song.sm", Sm("", N("2000 0100 0010 0000 , 0001")), "X 500\nY 1000\nB 2000\n",
         {"Hold without its end: A@0 beat=0", "X@500 beat=1"}},
        // The tap on the head's panel comes first: the tail after it ends nothing.
        {"tap_before_the_tail", "song.sm", Sm("", N("2000 0100 1000 0100 , 3000")), "X 500\nA 1000\nX 1500\n",
         {"Hold without its end: A@0 beat=0", "Hold end: A@2000 beat=4"}},
        {"roll_with_its_tail", "song.sm", Sm("", N("4000 0100 3000 0000")), "A 0\nX 500\n"},
        {"roll_without_its_tail", "song.sm", Sm("", N("0400 1000 0000 0000")), "A 500\n"},
        // Heads settled out of their order: the later one first, then the
        // earlier one left without its tail by a tap.
        {"crossing_holds", "song.sm", Sm("", N("2000 0200 0300 3000")), "A 0\nX 500\n"},
        {"later_head_settled_first", "song.sm", Sm("", N("2000 0200 0300 1000 , 3000")), "X 500\nA 1500\n"},
    };
    for (const std::size_t heldBack : {stepmania::kHeldBackBytes, std::size_t{40}}) {
        SCOPED_TRACE(heldBack);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            const Conversion held = Convert(c.file, c.bytes, c.key, {}, heldBack);
            EXPECT_EQ(held.TimingFile, c.records);
            EXPECT_EQ(held.Log, Convert(c.file, c.bytes, c.key).Log);
            ExpectConverts(c);
        }
    }
}

// .sm negative tempos and stops, and tempos above 9999999, become warps.
// Notes lie on eighths or beats; warped rows give no record.
TEST(StepManiaTiming, SmWarps) {
    const std::string eighths = N("0000 0000 1000 0100 0010 0000 0000 0000");  // beats 1, 1.5, 2
    const Case cases[] = {
        // Stop 1=-0.25 at 120: warp [1, 1.5); 1.5 stands where 1 did.
        {"negative_stop", "song.sm", Sm("#STOPS:1=-0.25;", eighths), "X 500\nY 750\n",
         {"Warped over: A@500 beat=1", "Warp to beat=1.5 beat=1", "X@500 beat=1.5"}},
        // 2=-120, 3=120: warp [2, 4); beat 4 at beat 2's 1000.
        {"negative_tempo", "song.sm", Sm("#BPMS:0=120,2=-120,3=120;", N("0000 0000 1000 0100 , 0010 0001 0000 0000")),
         "Y 1000\nB 1500\n"},
        // 4=-120, 5=240: warp [4, 7), 240 from beat 4: 7 at 2000, 8 at 2000 + 250.
        {"negative_tempo_faster_after", "song.sm",
         Sm("#BPMS:0=120,4=-120,5=240;", N("0000 0000 0000 0000 , 1000 0000 0000 0100 , 0010 0000 0000 0000")),
         "X 2000\nY 2250\n"},
        {"huge_tempo", "song.sm", Sm("#BPMS:0=120,1=10000000,2=120;", N("0000 1000 0100 0010")), "X 500\nY 1000\n"},
    };
    for (const Case& c : cases) ExpectConverts(c);
}

TEST(StepManiaTiming, SscWarpsFakesAndChartTiming) {
    const std::string eighths = N("0000 0000 1000 1000 1000 1000 1000 0000");  // beats 1 to 3
    const std::string beats12 = N("0000 1000 1000 0000");
    const std::string song = "#STOPS:1=0.5;";  // beat 1 at 500, beat 2 at 1500
    const Case cases[] = {
        // From version 0.7 a warp is beat=length; before, beat=end beat.
        {"warp_length", "song.ssc", Ssc("#WARPS:1=1.5;", "", eighths), "A 500\nA 750\n"},
        {"warp_end_beat", "song.ssc", "#VERSION:0.6;\n" + Ssc("#WARPS:1=1.5;", "", eighths),
         "A 500\nA 750\nA 1000\nA 1250\n"},
        // A stop on a warp's first row keeps it judged, and adds its time.
        {"warp_with_stop", "song.ssc", Ssc("#WARPS:1=1;\n#STOPS:1=0.5;", "", eighths), "A 500\nA 1000\nA 1250\nA 1500\n"},
        // Only the warp starting last counts: an empty one at beat 2, listed
        // first, ends the judging of the warp [0, 4), though not its time.
        {"empty_warp_last", "song.ssc", Ssc("#WARPS:2=0.001,0=4;", "", N("0000 1000 0000 1000")), "A 0\n"},
        {"fakes", "song.ssc", Ssc("#FAKES:1=1;", "", eighths), "A 1000\nA 1250\nA 1500\n",
         {"Fake: A@500 beat=1", "Fake: A@750 beat=1.5", "A@1000 beat=2"}},
        {"song_timing", "song.ssc", Ssc(song, "", beats12), "A 500\nA 1500\n"},
        // A chart's timing is used whole: no song stop, the song's offset.
        {"chart_timing_whole", "song.ssc", Ssc(song, "#BPMS:0=60;", beats12), "A 1000\nA 2000\n"},
        {"chart_offset_only", "song.ssc", Ssc(song, "#OFFSET:-1;", beats12), "A 500\nA 1500\n"},
        {"chart_offset_and_tempo", "song.ssc", Ssc(song, "#OFFSET:-1;#BPMS:0=60;", beats12), "A 2000\nA 3000\n"},
        // A label makes the timing the chart's own: 60 BPM, the default.
        {"chart_label_only", "song.ssc", Ssc(song, "#LABELS:0=x;", beats12), "A 1000\nA 2000\n"},
        {"chart_timing_old", "song.ssc", "#VERSION:0.6;\n" + Ssc(song, "#BPMS:0=60;", beats12), "A 500\nA 1500\n"},
        // The chart holds the song's offset as it stood at #NOTEDATA.
        {"chart_offset_then", "song.ssc", Ssc(song, "#BPMS:0=60;", beats12) + "#OFFSET:-1;\n", "A 1000\nA 2000\n"},
        {"ssc_negative_tempo", "song.ssc", Ssc("#BPMS:2=-120;", "", N("0000 0000 1000 0100")), "A 1000\nX 1500\n"},
    };
    for (const Case& c : cases) ExpectConverts(c);
}

TEST(StepManiaTiming, TextOfTheFile) {
    const Case cases[] = {
        {"comment_in_list", "song.sm", Sm("#BPMS:0=120//,1=60\n;", N("0000 0000 1000 0000")), "A 1000\n"},
        // A "#" first on its line ends a value whose ";" is missing.
        {"missing_semicolon", "song.sm", Sm("#BPMS:0=120,1=60\n  #STOPS:1=0.5;", N("0000 1000 1000 0000")),
         "A 500\nA 2000\n"},
        {"hash_mid_line", "song.sm", Sm("#BPMS:0=120,1=60 #STOPS:1=0.5;", N("0000 1000 1000 0000")),
         "A 500\nA 1500\n"},
        {"notes_missing_semicolon", "song.sm",
         "#BPMS:0=120;\n" + SmChart("1000\n").substr(0, SmChart("1000\n").size() - 2) + "\n" +
             SmChart(N("0100"), "Easy", "1"),
         "X 0\n", {}, "Easy(1)"},
        {"repeated_difficulty", "song.sm", Sm("", N("1000")) + SmChart(N("0100")), "X 0\n", {}, "Hard(9)#2"},
        // The comments of a chart passed over hide what would end its notes
        // and start a value of its own (a tempo of 60 would put A at 1000),
        // also where one stands across the reading's blocks.
        {"comments_in_passed_notes", "song.sm",
         Sm(SmChart("1000 // a;#BPMS:0=60;\n0100 //:\\;\n// \\\n0010 /;/ x\n", "Easy", "1"),
            N("0000 1000 0000 0000")),
         "A 500\n"},
        {"comments_across_blocks", "song.sm", Sm(SmChart(Repeated("0000 // ;#BPMS:0=60;\n", 20000), "Easy", "1"),
                                                  N("0000 1000 0000 0000")),
         "A 500\n"},
    };
    for (const Case& c : cases) ExpectConverts(c);
}

TEST(StepManiaTiming, PanelsGiveTokens) {
    const std::string notes = N("1000 0100 0010 0001 , 1100 0101 1010 0011 , 0110 1001 1110 1111");
    ArrowTokens pairs;
    pairs.DownLeft = "1", pairs.DownRight = "3", pairs.UpLeft = "7", pairs.UpRight = "9";
    pairs.UpDown = "U", pairs.LeftRight = "H";
    ExpectConverts({"pair_tokens", "song.sm", Sm("", notes),
                    "A 0\nX 500\nY 1000\nB 1500\n1 2000\n3 2500\n7 3000\n9 3500\nU 4000\nH 4500\n"
                    "A 5000\nX 5000\nY 5000\nA 5500\nX 5500\nY 5500\nB 5500\n"},
                   pairs);
    ExpectConverts({"default_tokens", "song.sm", Sm("", N("1100 0101 1010 0011 , 0110 1001 0000 0000")),
                    "X 0\nB 500\nA 1000\nY 1500\nY 2000\nA 2500\n"});
}

TEST(StepManiaInfo, ReadsTheHeaderAndCharts) {
    const struct {
        const char* name;
        const char* file;
        std::string bytes;
        const char* title;  // as the window shows it
        const char* tempo;
        const char* offset;
        Lines difficulties;
    } cases[] = {
        {"sm", "song.sm",
         "#TITLE:Song;#SUBTITLE:Remix;#ARTIST:Me;#OFFSET:0.25;#BPMS:0=150,8=75;\n" + SmChart("", "Hard", "9") +
             SmChart("", "maniac", "8") + SmChart("", " basic ", "3") + SmChart("", "Hard", "12", "smaniac") +
             SmChart("", "foo", "5") + SmChart("", "foo", "10", "edit") + "#NOTES:dance-double::Hard:9::0:;\n" +
             SmChart("", "Hard", "9") + "#NOTES:dance-single::::::;",
         "Song Remix\r\nby Me", "BPM:150", "Offset:-250ms",
         {"Hard(9)", "Hard(8)", "Easy(3)", "Challenge(12)", "Medium(5)", "Edit(10)", "Hard(9)#2", "Beginner(1)"}},
        // A chart of another steps type makes the file a chart, and lists nothing.
        {"escapes", "song.sm", "#TITLE:A\\:B\\;C;#SUBTITLE:;#ARTIST:x // y\n;#BPMS:0=1e2;#NOTES:dance-double::::::;",
         "A:B;C\r\nby x \n",
         "BPM:100", "Offset:0ms", {}},
        // An escaped blank is a blank: the "#" still ends the title.
        {"escaped_blank", "song.sm", "#TITLE:Song\n\\ #ARTIST:Me;#NOTES:dance-double::::::;", "Song\r\nby Me",
         "BPM:60", "Offset:0ms", {}},
        // .ssc: only the six names; a description names the difficulty from 0.74.
        {"ssc", "song.ssc",
         "#TITLE:Song;#ARTIST:Me;#OFFSET:-0.1;#BPMS:0=140;\n" + SscChart("", "", "challenge", "12") +
             SscChart("", "", "maniac", "5") + SscChart("#DESCRIPTION:Hard;", "", "", "2") +
             "#NOTEDATA:;#STEPSTYPE:dance-double;#METER:9;#NOTES:;" + "#VERSION:0.73;" +
             SscChart("#DESCRIPTION:Hard;", "", "", "2"),
         "Song\r\nby Me", "BPM:140", "Offset:100ms", {"Challenge(12)", "Medium(5)", "Hard(2)", "Easy(2)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const ChartReading reading = ReadChart(folder.Write(c.file, c.bytes).string());
        EXPECT_TRUE(reading.Ok()) << reading.StopReason;
        EXPECT_EQ(TitleCaption(reading.Info), c.title);
        EXPECT_EQ(TempoCaption(reading.Info), c.tempo);
        EXPECT_EQ(OffsetCaption(reading.Info), c.offset);
        EXPECT_EQ(DisplayTexts(reading.Info), c.difficulties);
    }
}

// Input no one should write: each converts, or stops with its reason and
// writes nothing; none may hang.
TEST(StepManiaTiming, BadInputConvertsOrStops) {
    std::string manyTempos = "#BPMS:0=120";
    std::string manyMeasures = "1000\n";
    for (int beat = 1; beat < 100'000; ++beat) manyTempos += "," + std::to_string(beat) + "=120";
    for (int measure = 1; measure <= 25'000; ++measure) manyMeasures += ",\n";
    const struct {
        const char* name;
        std::string bytes;
        std::string records;  // none after a stop
        std::string stop;
    } cases[] = {
        {"no_semicolons", "#BPMS:0=120\n#NOTES:dance-single::Hard:9::\n1000\n0100", "A 0\nX 1000\n", ""},
        {"no_line_ends", "#BPMS:0=120;#NOTES:dance-single::Hard:9::1000,0100;", "A 0\nX 2000\n", ""},
        // 100,000 tempo changes, one a beat; beat 100,000 at 100,000 × 500 ms.
        {"many_tempos", manyTempos + ";" + SmChart(manyMeasures + "1000\n"),
         "A 0\nA 50000000\n", ""},
        {"empty_file", "", "", "the chart has no #NOTES tag"},
        {"time_beyond_file", "#OFFSET:-1e13;" + SmChart("1000\n"), "", kTimeBeyondTimingFile},
        {"infinite_time", "#BPMS:0=1e-308;" + SmChart("0000\n1000\n"), "", "a time that is not finite"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Conversion run = Convert("song.sm", c.bytes, "Hard(9)");
        EXPECT_EQ(run.Outcome.StopReason, c.stop);
        EXPECT_EQ(run.Outcome.Written, c.stop.empty());
        EXPECT_EQ(run.TimingFile, c.records);
    }
}

// A reader that read the song's information keeps that reading for the
// conversion; a song saved again in between, or another file converted
// without a reading, is read anew, never walked with what was found where
// the notes used to stand.
TEST(StepManiaInfo, AReadingKeptForTheConversionHoldsForThatFileOnly) {
    const std::string song = Sm("", N("1000 0100 0010 0001"));
    // Another chart first moves the notes; the tempo is twice as fast.
    const std::string other = "#TITLE:Song;\n#OFFSET:0;\n#BPMS:0=240;\n" +
                              SmChart(N("0001 0000 0000 0000"), "Easy", "2") + SmChart(N("1000 1000 0000 0000"));
    enum class Then { Converted, SavedAgain, AnotherFile };
    for (Then then : {Then::Converted, Then::SavedAgain, Then::AnotherFile}) {
        SCOPED_TRACE(static_cast<int>(then));
        ScratchFolder folder;
        const fs::path chart = folder.Write("song.sm", song);
        stepmania::StepManiaReader reader(stepmania::SimfileFormat::Sm);
        ChartReading reading = ReadChart(reader, chart.string());
        ASSERT_TRUE(reading.Ok());
        if (then == Then::SavedAgain) std::ofstream(chart, std::ios::binary | std::ios::trunc) << other << "// saved\n";
        if (then == Then::AnotherFile) {
            folder.Write("song.sm", other);
            reading = {};
        }
        VectorLog log;
        const RunOutcome run = RunConversion(reader, support::Asking(chart.string(), "Hard(9)", reading.Info), log);
        ASSERT_TRUE(run.Written) << run.StopReason;
        EXPECT_EQ(ReadBytes(folder / "song.kvt"),
                  then == Then::Converted ? "A 0\nX 500\nY 1000\nB 1500\n" : "A 0\nA 250\n");
    }
}

fs::path SharedCharts() { return fs::path(STEPQUILL_SOURCE_DIR) / ".." / "shared" / "charts" / "sm"; }

// Every dance-single chart of the shared .sm and .ssc charts converts, with
// times that never go back; MANIFEST.md lists 156 in 40 files.
TEST(StepManiaRealCharts, EveryDanceSingleChartConverts) {
    std::vector<fs::path> charts;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(SharedCharts(), error))
        if (entry.path().extension() == ".sm" || entry.path().extension() == ".ssc") charts.push_back(entry.path());
    ASSERT_FALSE(charts.empty()) << "the shared StepMania charts are missing: " << SharedCharts();
    ScratchFolder out;
    int converted = 0;
    for (const fs::path& chart : charts) {
        SCOPED_TRACE(chart.filename().string());
        const ChartReading reading = ReadChart(chart.string());
        EXPECT_TRUE(reading.Ok());
        for (const std::string& key : DisplayTexts(reading.Info)) {
            SCOPED_TRACE(key);
            ConversionRequest settings;
            settings.OutputPath = (out / "out.kvt").string();
            VectorLog log;
            const RunOutcome outcome = ConvertChart(support::Asking(chart.string(), key, reading.Info, settings), log);
            ASSERT_TRUE(outcome.Written) << outcome.StopReason;
            std::istringstream records(ReadBytes(out / "out.kvt"));
            std::string token;
            long long ms = 0, last = -1'000'000;
            int count = 0;
            for (; records >> token >> ms; ++count, last = ms) EXPECT_GE(ms, last) << "record " << count;
            EXPECT_GT(count, 0);
            ++converted;
        }
    }
    EXPECT_EQ(charts.size(), 40u);
    EXPECT_EQ(converted, 156);
}

// First and last records worked out from the rules; Δ rows at b BPM take
// Δ × 1250 / b ms, beat 0 lies at -OFFSET s.
TEST(StepManiaRealCharts, FirstAndLastRecords) {
    ASSERT_TRUE(fs::is_directory(SharedCharts())) << "the shared StepMania charts are missing: " << SharedCharts();
    const struct {
        const char* chart;
        const char* key;
        const char* first;
        const char* last;
    } cases[] = {
        // .sm, offset -0.005, 169.72 BPM, four stops of 0.355 s at beats 162 to 171.
        // First: measure 4, line 0 "1000": 5 + 768 × 1250 / 169.72 = 5661.38.
        // Last: measure 62, line 6 of 8 "1001", row 12048, after the four
        // stops: 5 + 12048 × 1250 / 169.72 + 1420 = 90159.39.
        {"thumbsy-simfiles__Guitar_Hero.sm", "Challenge(10)", "A 5661", "A 90159"},
        // .ssc with CRLF lines, 158 BPM, 79 from beat 77, 158 from 109, a
        // stop of 1.139 s at beat 12.
        // First: measure 3, line 0 "1002" (the hold ends on the next line),
        // beat 12, before its stop: 576 × 1250 / 158 = 4556.96.
        // Last: measure 59, line 10 of 16 "0011", row 11448 (beat 238.5):
        // 3696 × 1250 / 158 + 1536 × 1250 / 79 + 6216 × 1250 / 158 + 1139
        // = 29240.51 + 24303.80 + 49177.22 + 1139 = 103860.52.
        {"lmiller-stepfileanalyzer__bloodrush.ssc", "Challenge(12)", "A 4556", "Y 103860"},
        // .ssc, offset -0.14, 145 BPM, a warp of 6 beats at beat 266.020833,
        // rows [12769, 13057).
        // First: measure 3, line 0, a hold: 140 + 576 × 1250 / 145 = 5105.52.
        // Last: measure 90, line 2 of 4, a hold ended two measures on, row
        // 17376: 140 + 12769 × 1250 / 145 + (17376 - 13057) × 1250 / 145
        // = 147450.34.
        {"hodobox-smsongs__TheFatRat_-_Xenogenesis_Outro_Song.ssc", "Challenge(9)", "A 5105", "A 147450"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chart);
        ScratchFolder out;
        ConversionRequest settings;
        settings.OutputPath = (out / "out.kvt").string();
        VectorLog log;
        ASSERT_TRUE(ConvertChart(support::Asking((SharedCharts() / c.chart).string(), c.key, {}, settings), log).Written);
        std::istringstream records(ReadBytes(out / "out.kvt"));
        std::string first, record, last;
        std::getline(records, first);
        while (std::getline(records, record)) last = record;
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.last);
    }
}

}  // namespace
}  // namespace stepquill
