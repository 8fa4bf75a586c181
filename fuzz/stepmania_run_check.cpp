#include "stepmania_run_check.h"

#include <algorithm>
#include <array>
#include <set>
#include <vector>

#include "chart_formats.h"
#include "folder_listing.h"
#include "run_ending_check.h"
#include "fuzz_choices.h"
#include "fuzz_input.h"
#include "memory_chart.h"
#include "reading.h"
#include "stepmania_reader.h"
#include "text.h"
#include "timing_text.h"

namespace stepquill {

namespace {

namespace fs = std::filesystem;

// A quiet run's log: it keeps no lines, so the walk builds none.
class QuietLog final : public ProgressLog {
public:
    void Clear() override {}
    void Append(const std::string&) override {}
    bool KeepsLines() const override { return false; }
};

// Where the chart and the timing file go, chosen by one byte.
struct Layout {
    fs::path Chart;
    stepmania::SimfileFormat Format = stepmania::SimfileFormat::Sm;
    RunSettings Settings;
    fs::path Target;  // where a written timing file lands
    bool OldTimingFile = false;
};

Layout TakeLayout(FuzzInput& input, const fs::path& folder) {
    const std::uint8_t pick = input.TakeByte();
    constexpr std::array<const char*, 4> kChartNames = {"song.sm", "song.ssc", "A.SM", "b.Ssc"};
    Layout layout;
    layout.Chart = folder / kChartNames[pick % 4];
    stepmania::IsSimfilePath(layout.Chart.string(), layout.Format);
    layout.OldTimingFile = (pick & 0x04) != 0;
    switch ((pick >> 3) % 8) {
        case 1: layout.Settings.OutputPath = (folder / "out.kvt").string(); break;
        case 2: layout.Settings.OutputPath = layout.Chart.string(); break;
        case 3: layout.Settings.OutputPath = (folder / "sub").string(); break;
        case 4: layout.Settings.OutputPath = (folder / "missing" / "out.kvt").string(); break;
        default: break;
    }
    std::string reason;
    layout.Target = layout.Settings.OutputPath.empty()
                        ? fs::path(stepmania::StepManiaPartReader(layout.Format).TimingFileFor(
                              layout.Chart.string(), reason))
                        : fs::path(layout.Settings.OutputPath);
    return layout;
}

void PrepareFolder(const Layout& layout, std::string_view chartBytes, const fs::path& folder) {
    WriteFileBytes(layout.Chart, chartBytes);
    if (layout.OldTimingFile && layout.Target != layout.Chart) WriteFileBytes(layout.Target, "an earlier timing file\n");
    std::error_code error;
    if (layout.Settings.OutputPath == (folder / "sub").string()) fs::create_directory(folder / "sub", error);
}

// "Hard(9)", a repeated one "Hard(9)#2": a difficulty the game knows and a
// whole number.
bool IsChartKey(const std::string& key) {
    constexpr std::array<std::string_view, 6> kNames = {"Beginner", "Easy", "Medium", "Hard", "Challenge", "Edit"};
    const std::size_t open = key.find('(');
    const std::size_t close = key.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    if (std::find(kNames.begin(), kNames.end(), std::string_view(key).substr(0, open)) == kNames.end()) return false;
    const std::string_view rest = std::string_view(key).substr(close + 1);
    return rest.empty() || (rest.size() > 1 && rest[0] == '#');
}

std::string CheckReading(const Layout& layout, std::string_view chartBytes, Reading& fromFile) {
    fromFile.Outcome = ReadAnyChartInfo(layout.Chart.string(), fromFile.State, fromFile.Info);
    Reading fromMemory;
    MemoryChart memory(chartBytes);
    fromMemory.Outcome = stepmania::ReadStepManiaInfo(memory, layout.Format, fromMemory.State, fromMemory.Info);
    if (!SameReading(fromFile, fromMemory)) return "the file reads otherwise than its bytes in memory";
    if (!fromFile.Outcome.Ok()) return "a chart that could be read failed: " + fromFile.Outcome.FailureReason;
    const ChartInfo& info = fromFile.Info;
    const ConverterState& state = fromFile.State;
    if (!info.ReachedEnd) return "a chart read whole did not reach its end";
    if (info.TitleCaption != state.Title + "\r\nby " + state.Artist) return "the title caption is not the title's";
    if (info.TempoCaption != "BPM:" + FormatNumber(state.Bpm)) return "the tempo caption is not the tempo's";
    if (info.OffsetCaption != "Offset:" + FormatNumber(state.OffsetMs) + "ms")
        return "the offset caption is not the offset's";
    const std::set<std::string> keys(info.Difficulties.begin(), info.Difficulties.end());
    if (keys.size() != info.Difficulties.size()) return "two charts have the same key";
    for (const std::string& key : info.Difficulties)
        if (!IsChartKey(key)) return "'" + key + "' is no chart key";

    Reading cut;
    MemoryChart failing(chartBytes, chartBytes.size() / 2);
    cut.Outcome = stepmania::ReadStepManiaInfo(failing, layout.Format, cut.State, cut.Info);
    if (cut.Outcome.Ok()) return "a chart cut short by a failing disk read as a whole one";
    return {};
}

// Every record of the timing text, in order, has its log line: the token,
// "@", the time and " beat=".
bool RecordsAreTheLogs(std::string_view timingText, const std::vector<std::string>& lines) {
    auto line = lines.begin();
    while (!timingText.empty()) {
        const std::size_t end = timingText.find('\n');
        const std::string_view record = timingText.substr(0, end);
        const std::size_t blank = record.rfind(' ');
        if (blank == std::string_view::npos) return false;
        std::string expected(record.substr(0, blank));
        ((expected += '@') += record.substr(blank + 1)) += " beat=";
        line = std::find_if(line, lines.end(), [&](const std::string& l) { return l.rfind(expected, 0) == 0; });
        if (line == lines.end()) return false;
        ++line;
        if (end == std::string_view::npos) break;
        timingText.remove_prefix(end + 1);
    }
    return true;
}

std::string CheckRun(const RunOutcome& outcome, const std::vector<std::string>& lines, const ConverterState& state,
                     const Listing& before, const Listing& after, const Layout& layout, const ArrowTokens& tokens) {
    if (!outcome.Ran) return "a run with a chart path did not run";
    const std::string name = fs::relative(layout.Target, layout.Chart.parent_path()).string();
    std::optional<std::string> written;
    if (outcome.Written) {
        if (!state.OutputBuffer.empty()) return "a written run left records unwritten";
        const auto file = after.find(name);
        if (file == after.end()) return "a written run left no timing file";
        const std::string& text = file->second;
        if (HoldsTimeThatIsNotFinite(text)) return "a written timing file gives a time that is not finite";
        if (RecordsStayOnOneLine(tokens)) {
            if (TimesGoBack(text)) return "a written timing file goes back in time";
            if (!lines.empty() && !RecordsAreTheLogs(text, lines)) return "the timing file's records are not the log's";
        }
        written = text;
    }
    return CheckRunEnding(outcome, lines, before, after, name, written);
}

}  // namespace

std::string CheckStepManiaRun(std::string_view bytes, const fs::path& folder) {
    if (folder.empty()) return "no scratch folder";
    const FolderEmptier emptier(folder);
    FuzzInput input(bytes);
    const Layout layout = TakeLayout(input, folder);
    const std::uint8_t keyPick = input.TakeByte();
    constexpr std::string_view kKeys[] = {"Hard(9)", "Challenge(12)", "Edit(10)", "Beginner(1)", "Hard", "", "("};
    std::string key = input.TakeChoice(kKeys, 24);
    const ArrowTokens tokens = TakeTokens(input);
    RunSettings settings = layout.Settings;
    settings.DecimalSeparator = input.TakeChoice(kSeparators, 3);
    const std::string_view chartBytes = input.Rest();
    PrepareFolder(layout, chartBytes, folder);

    Reading reading;
    std::string broken = CheckReading(layout, chartBytes, reading);
    if (!broken.empty()) return broken;
    const std::vector<std::string>& keys = reading.Info.Difficulties;
    if (!keys.empty() && keyPick < 0xC0) key = keys[keyPick % keys.size()];
    const Listing before = ListFolder(folder);

    // From the file with every log line, its records written in blocks of a
    // few bytes so that even a small chart's records cross many blocks.
    ConverterState state = reading.State;
    VectorLog log;
    log.Append("a line of an earlier run");
    RunSettings smallBlocks = settings;
    smallBlocks.RecordBlockBytes = 1 + chartBytes.size() % 61;
    const RunOutcome first = ConvertChart(state, layout.Chart.string(), key, tokens, log, smallBlocks);
    const Listing afterFirst = ListFolder(folder);
    broken = CheckRun(first, log.Lines, state, before, afterFirst, layout, tokens);
    if (!broken.empty()) return "first run: " + broken;

    // The same from memory, read again from its notes' offset, with a log
    // that keeps no lines: the same file, or the same stop.
    ConverterState quietState = reading.State;
    QuietLog quiet;
    MemoryChart memory(chartBytes);
    RunSettings fromMemory = settings;
    fromMemory.ChartBytes = &memory;
    const RunOutcome second = ConvertChart(quietState, layout.Chart.string(), key, tokens, quiet, fromMemory);
    if (second.StopReason != first.StopReason) return "a quiet run from memory stopped otherwise";
    if (ListFolder(folder) != afterFirst) return "a quiet run from memory wrote otherwise";

    // A failing disk stops the run and leaves the folder as it was.
    ConverterState cutState = reading.State;
    MemoryChart failing(chartBytes, chartBytes.size() / 2);
    RunSettings fromFailing = settings;
    fromFailing.ChartBytes = &failing;
    const RunOutcome third = ConvertChart(cutState, layout.Chart.string(), key, tokens, quiet, fromFailing);
    if (third.Written) return "a run from a chart cut short by a failing disk was written";
    if (ListFolder(folder) != afterFirst) return "a run from a failing disk changed the folder";
    return {};
}

}  // namespace stepquill
