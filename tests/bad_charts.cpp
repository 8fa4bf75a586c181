#include "bad_charts.h"

namespace stepquill::support {

namespace {

using std::nullopt;

const char* const kStop = "Conversion stopped: ";
const char* const kFourUps = "Y 0\nY 250\nY 500\nY 750\n";

// Every byte value, many times over: binary data that is no chart at all.
std::string EveryByte(int rounds) {
    std::string bytes;
    for (int round = 0; round < rounds; ++round)
        for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
    return bytes;
}

// Bytes 0x80 to 0xFF, none of which means anything in step data.
std::string HighBytes() {
    std::string bytes;
    for (int value = 0x80; value < 0x100; ++value) bytes += static_cast<char>(value);
    return bytes;
}

std::string Repeat(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

std::string Nul(const char* before, const char* after) { return before + std::string(1, '\0') + after; }

}  // namespace

std::vector<BadChart> BadCharts() {
    const std::string tempoAt2 = "#CHANGEBPM:2=";
    const std::string stopAt2 = "#FREEZE:2=";
    const std::string unreadable = std::string(kStop) + "the chart could not be read";
    const std::string search = ChartWith("120", stopAt2 + "300;\n", "8888");
    const std::string walk = ChartWith("120", "", "8888\n8888");
    return {
        {"EmptyFile", "", "the chart has no #TITLE tag", std::string(kStop) + "the BASIC part was not found",
         nullopt},
        {"BinaryFile", EveryByte(64), "the chart has no #TITLE tag",
         std::string(kStop) + "the BASIC part was not found", nullopt},
        // Unknown bytes emit records without a step, all at the offset.
        {"BinaryStepData", ChartWith("120", "", HighBytes() + "8"), "", "Y@0 beat=0 bpmc=0",
         Repeat("  0\n", 128) + "Y 0\n"},
        // A NUL ends neither a field nor a line: the "0" after it still
        // belongs to the tempo's field, but ends the number, and the "2"
        // after the NUL in the step line is still walked.
        {"NulInsideFieldsAndLines",
         Nul("#TITLE:Na", "me;\n#ARTIST:A;\n#BPM:12") + Nul("", "0;\n#GAP:0;\n#SINGLE:BASIC:5:\n8") +
             Nul("", "2\n;\n"),
         "", "X@2500 beat=0.5 bpmc=2", "Y 0\n  2500\nX 2500\n"},
        {"NulInsidePartHeader",
         Nul("#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:BA", "SIC:5:\n2\n;\n") +
             "#SINGLE:BASIC:5:\n8\n;\n",
         "", "Y@0 beat=0 bpmc=0", "Y 0\n"},
        // The part runs to the chart's end, which ends it like a ";" line.
        {"PartNeverEnds", "#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:5:\n8888\n0000\n2222", "",
         "X@2750 beat=5.5 bpmc=22", "Y 0\nY 250\nY 500\nY 750\nX 2000\nX 2250\nX 2500\nX 2750\n"},

        {"TempoZero", ChartWith("0", "", "8888"), "", std::string(kStop) + "the tempo is 0", nullopt},
        {"TempoNegative", ChartWith("-120", "", "8888"), "", std::string(kStop) + "the tempo is negative",
         nullopt},
        {"TempoTiny", ChartWith("1E-300", "", "8888"), "",
         std::string(kStop) + "a time beyond what the timing file can hold", nullopt},
        // Absurd but readable: every step lasts far less than a millisecond.
        {"TempoHuge", ChartWith("1E+300", "", "8888"), "", "Y@0 beat=1.5 bpmc=6", "Y 0\nY 0\nY 0\nY 0\n"},
        {"TempoBeyondDouble", ChartWith("1E+400", "", "8888"), "",
         std::string(kStop) + "the tempo is too large to read", nullopt},

        {"TempoChangeToZero", ChartWith("120", tempoAt2 + "0;\n", "8888"), "",
         std::string(kStop) + "a tempo change to 0", nullopt},
        // A negative tempo or stop is a warp: time runs back, and the arrows
        // it passes over are left out.
        {"TempoChangeNegative", ChartWith("120", tempoAt2 + "-120;\n", "8888"), "",
         "Warped over: Y@-250 beat=1.5 bpmc=6", "Y 0\nY 250\n"},
        {"TempoChangeTiny", ChartWith("120", tempoAt2 + "1E-300;\n", "8(88"), "",
         std::string(kStop) + "a time beyond what the timing file can hold", nullopt},
        {"TempoChangeHuge", ChartWith("120", tempoAt2 + "1E+300;\n", "8(88"), "", "Y@250 beat=0.75 bpmc=3",
         "Y 0\nY 250\nY 250\n"},
        {"TempoChangeBeyondDouble", ChartWith("120", tempoAt2 + "1E+400;\n", "8888"), "",
         std::string(kStop) + "a tempo change to a tempo too large to read", nullopt},

        {"StopNegative", ChartWith("120", stopAt2 + "-300;\n", "8888"), "", "Y@450 beat=1.5 bpmc=6",
         "Y 0\nY 250\nY 450\n"},
        {"StopHuge", ChartWith("120", stopAt2 + "1E+300;\n", "8888"), "",
         std::string(kStop) + "a time beyond what the timing file can hold", nullopt},
        {"StopBeyondDouble", ChartWith("120", stopAt2 + "1E+400;\n", "8888"), "",
         std::string(kStop) + "a time that is not finite", nullopt},
        // A length without a number reads as 0, like any such number here.
        {"StopNotANumber", ChartWith("120", stopAt2 + "abc;\n", "8888"), "", "Y@750 beat=1.5 bpmc=6", kFourUps},

        // A position beyond a double is never reached; "-inf" has no digits
        // and so reads as 0: a stop there is due after the first step, a
        // tempo change there times the first step already.
        {"TempoChangeAtHugePosition", ChartWith("120", "#CHANGEBPM:1E+400=240;\n", "8888"), "",
         "Y@750 beat=1.5 bpmc=6", kFourUps},
        {"TempoChangeAtMinusInf", ChartWith("120", "#CHANGEBPM:-inf=240;\n", "8888"), "",
         "Y@375 beat=1.5 bpmc=6", "Y 0\nY 125\nY 250\nY 375\n"},
        {"StopAtHugePosition", ChartWith("120", "#FREEZE:1E+400=300;\n", "8888"), "", "Y@750 beat=1.5 bpmc=6",
         kFourUps},
        {"StopAtMinusInf", ChartWith("120", "#FREEZE:-inf=300;\n", "8888"), "", "Y@1050 beat=1.5 bpmc=6",
         "Y 0\nY 550\nY 800\nY 1050\n"},

        {"OffsetHuge", ChartWith("120", "", "8888", "1E+300"), "",
         std::string(kStop) + "a time beyond what the timing file can hold", nullopt},
        // An arrow that makes no step is recorded before any step could
        // find the time not finite.
        {"OffsetBeyondDouble", ChartWith("120", "", "E", "1E+400"), "",
         std::string(kStop) + "a time beyond what the timing file can hold", nullopt},

        // A read error is no end of the chart, wherever it comes: in the
        // header, in the lines the search passes over, or in the step data
        // after a whole line, where taking it for the end would write half
        // the part.
        {"ReadErrorInTheHeader", ChartWith("120", "", "8888"), "the chart could not be read", unreadable,
         nullopt, std::string("#TITLE:T;\n#ART").size()},
        {"ReadErrorInTheSearch", search, "the chart could not be read", unreadable, nullopt,
         search.find(stopAt2) + 4},
        {"ReadErrorInTheWalk", walk, "the chart could not be read", unreadable, nullopt,
         walk.find("8888\n") + 5},
    };
}

std::size_t BigLineBytes() {
#ifdef __SANITIZE_ADDRESS__
    return 20 << 20;
#else
    return 100 << 20;
#endif
}

std::string ChartWith(const std::string& bpm, const std::string& timing, const std::string& steps,
                      const std::string& gap) {
    return "#TITLE:T;\n#ARTIST:A;\n#BPM:" + bpm + ";\n#GAP:" + gap + ";\n" + timing + "#SINGLE:BASIC:5:\n" +
           steps + "\n;\n";
}

}  // namespace stepquill::support
