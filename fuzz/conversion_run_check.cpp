#include "conversion_run_check.h"

#include <sstream>
#include <vector>

#include "chart_formats.h"
#include "chart_info.h"
#include "dwi_info.h"
#include "dwi_reader.h"
#include "folder_listing.h"
#include "messages.h"
#include "run_ending_check.h"
#include "fuzz_choices.h"
#include "fuzz_input.h"
#include "part_search.h"
#include "reading.h"
#include "step_walk.h"
#include "timing_text.h"

namespace stepquill {

namespace {

namespace fs = std::filesystem;

// Where the chart and the timing file go, chosen by one byte.
struct Layout {
    fs::path Chart;
    bool ChartMissing = false;
    bool EmptyChartPath = false;
    std::string OutputPath;    // empty: the timing file beside the chart
    fs::path Target;           // where a written timing file lands
    bool OldTimingFile = false;
};

Layout TakeLayout(FuzzInput& input, const fs::path& folder) {
    const std::uint8_t pick = input.TakeByte();
    // Names of three characters or more, so that the timing file name stays
    // inside the folder.
    constexpr const char* kChartNames[] = {"chart.dwi", "chart.kvt", "a.b", "SONG.DWI"};
    Layout layout;
    layout.Chart = folder / kChartNames[pick % 4];
    layout.OldTimingFile = (pick & 0x04) != 0;
    switch ((pick >> 3) % 8) {
        case 1: layout.OutputPath = (folder / "out.kvt").string(); break;
        case 2: layout.OutputPath = layout.Chart.string(); break;
        case 3: layout.OutputPath = (folder / "sub").string(); break;
        case 4: layout.OutputPath = (folder / "missing" / "out.kvt").string(); break;
        default: break;
    }
    layout.Target = layout.OutputPath.empty() ? fs::path(TimingFileName(layout.Chart.string()))
                                              : fs::path(layout.OutputPath);
    // An output that names a folder takes the timing file's own name in it.
    if (layout.OutputPath == (folder / "sub").string())
        layout.Target = folder / "sub" / fs::path(TimingFileName(layout.Chart.string())).filename();
    layout.ChartMissing = pick >> 6 == 3 && (pick & 0x20) != 0;
    layout.EmptyChartPath = pick >> 6 == 3 && (pick & 0x20) == 0 && (pick & 0x01) != 0;
    return layout;
}

struct RunRecord {
    RunOutcome Outcome;
    VectorLog Log;
    Listing Files;
};

// The records and the log that the run's search and walk give with every
// record kept in memory, from the reading the run starts with: what a run
// that wrote its file in blocks must have written.
struct WalkInMemory {
    std::string Records;
    std::vector<std::string> Lines;
};

WalkInMemory WalkAsTheRunDoes(const ConversionRequest& request, std::string_view chartBytes) {
    ConverterState state;
    state.Bpm = request.Reading.Bpm;
    state.OffsetMs = request.Reading.OffsetMs;
    state.StepMs = 60 / state.Bpm * 1000 / 2;
    state.PartName = PartNameOf(request.Part);
    state.CurrentMs = state.OffsetMs + request.ShiftMs;
    state.Beat = 0;
    std::istringstream input{std::string(chartBytes)};
    ChartStream chart(input);
    TimingLists lists;
    VectorLog log;
    log.Append("Cleared file buffer");
    log.Append(SearchingPartLine(state.PartName));
    const PartSearchResult part = FindPart(chart, state.PartName, lists, log, request.PartOccurrence);
    NoteWriter notes(nullptr, state.OutputBuffer, request.Tokens, log, request.DecimalSeparator, DwiNotation());
    WalkSteps(part.HeaderRest, chart, state, lists, notes, log);
    return {state.OutputBuffer, log.Lines};
}

// The run's reading is given as a constant, so no run can change the tempo
// the next one starts from, and its last records are its own: what stays to
// check is what it wrote and logged.
std::string CheckRun(const RunRecord& before, const RunRecord& after, const Layout& layout,
                     const WalkInMemory& walk) {
    const RunOutcome& outcome = after.Outcome;
    const std::vector<std::string>& lines = after.Log.Lines;
    if (!outcome.Ran) {
        if (!layout.EmptyChartPath) return "a run with a chart path did not run";
        if (lines != before.Log.Lines) return "a run that did not run changed the log";
        if (after.Files != before.Files) return "a run that did not run changed the folder";
        return {};
    }
    if (layout.EmptyChartPath) return "a run with the empty chart path ran";
    if (outcome.Written) {
        if (!lines.empty() && lines != walk.Lines) return "the log is not the walk's";
        if (HoldsTimeThatIsNotFinite(walk.Records)) return "a written timing file gives a time that is not finite";
    }
    return CheckRunEnding(outcome, lines, before.Files, after.Files,
                          fs::relative(layout.Target, layout.Chart.parent_path()).string(), walk.Records);
}

// Puts the chart, and where the layout asks for them an earlier timing file
// and a folder in the output's way, into the scratch folder.
void PrepareFolder(const Layout& layout, std::string_view chartBytes, const fs::path& folder) {
    if (!layout.ChartMissing) WriteFileBytes(layout.Chart, chartBytes);
    std::error_code error;
    if (layout.OutputPath == (folder / "sub").string()) fs::create_directory(folder / "sub", error);
    if (layout.OldTimingFile && layout.Target != layout.Chart)
        WriteFileBytes(layout.Target, "an earlier timing file\n");
}

// The window reads the chart before it converts; the file must read as the
// same bytes do in memory.
std::string ReadAsTheWindowDoes(const Layout& layout, std::string_view chartBytes, ChartInfo& info) {
    const ChartReading fromFile = ReadChart(layout.Chart.string());
    info = fromFile.Info;
    if (layout.ChartMissing) return {};
    std::istringstream memory{std::string(chartBytes)};
    if (!SameReading(fromFile, ReadChartInfo(memory))) return "the file reads otherwise than its bytes in memory";
    return {};
}

}  // namespace

std::string CheckConversionRun(std::string_view bytes, const fs::path& folder) {
    if (folder.empty()) return "no scratch folder";
    const FolderEmptier emptier(folder);
    FuzzInput input(bytes);
    const Layout layout = TakeLayout(input, folder);
    const std::uint8_t tempoPick = input.TakeByte();
    const double tempo = input.TakeNumber();
    const std::uint8_t difficultyPick = input.TakeByte();
    constexpr std::string_view kDifficulties[] = {"BASIC(5)", "MANIAC(10)", "ANOTHER(7)",
                                                  "SMANIAC(12)", "BEGINNER(1)", "MANIAC",
                                                  "", "("};
    std::string difficulty = input.TakeChoice(kDifficulties, 24);
    ConversionRequest request;
    request.OutputPath = layout.OutputPath;
    request.Tokens = TakeTokens(input);
    request.DecimalSeparator = input.TakeChoice(kSeparators, 3);
    const std::string_view chartBytes = input.Rest();
    PrepareFolder(layout, chartBytes, folder);

    RunRecord before;
    before.Log.Append("a line of an earlier run");
    std::string broken = ReadAsTheWindowDoes(layout, chartBytes, request.Reading);
    if (!broken.empty()) return broken;
    const ChartInfo& info = request.Reading;
    if (tempoPick >= 0xC0) request.Reading.Bpm = tempo;
    if (!info.Difficulties.empty() && difficultyPick < 0xC0)
        difficulty = info.Difficulties[difficultyPick % info.Difficulties.size()].DisplayText;
    request.Part = difficulty;
    request.ChartPath = layout.EmptyChartPath ? "" : layout.Chart.string();
    before.Files = ListFolder(folder);

    // The first run writes its file in blocks of a few bytes, so that even
    // a small chart's records cross many blocks; the second in one block.
    ConversionRequest smallBlocks = request;
    smallBlocks.RecordBlockBytes = 1 + chartBytes.size() % 61;
    RunRecord first = before;
    first.Outcome = ConvertDWI(smallBlocks, first.Log);
    first.Files = ListFolder(folder);
    WalkInMemory walk;
    if (first.Outcome.Written) walk = WalkAsTheRunDoes(request, chartBytes);
    broken = CheckRun(before, first, layout, walk);
    if (!broken.empty()) return "first run: " + broken;
    if (first.Outcome.Written && RecordsStayOnOneLine(request.Tokens) && TimesGoBack(walk.Records))
        return "a written timing file goes back in time";

    // Every run starts from the tempo of the reading, so a second run gives
    // the same, whatever the first one did.
    RunRecord second = first;
    second.Outcome = ConvertDWI(request, second.Log);
    second.Files = ListFolder(folder);
    broken = CheckRun(first, second, layout, walk);
    if (!broken.empty()) return "second run: " + broken;
    if (second.Outcome.StopReason != first.Outcome.StopReason || second.Log.Lines != first.Log.Lines)
        return "a repeated run gave another result";
    return {};
}

}  // namespace stepquill
