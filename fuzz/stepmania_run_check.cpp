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
#include "progress_log.h"
#include "chart_in_memory.h"
#include "reading.h"
#include "timing_text.h"

namespace stepquill {

namespace {

namespace fs = std::filesystem;

// Where the chart and the timing file go, chosen by one byte.
struct Layout {
    fs::path Chart;
    ChartFormat Format = ChartFormat::Sm;
    std::string OutputPath;  // empty: the timing file beside the chart
    fs::path Target;  // where a written timing file lands
    bool OldTimingFile = false;
};

Layout TakeLayout(FuzzInput& input, const fs::path& folder) {
    const std::uint8_t pick = input.TakeByte();
    constexpr std::array<const char*, 4> kChartNames = {"song.sm", "song.ssc", "A.SM", "b.Ssc"};
    Layout layout;
    layout.Chart = folder / kChartNames[pick % 4];
    layout.Format = FormatOfPath(layout.Chart.string());
    layout.OldTimingFile = (pick & 0x04) != 0;
    switch ((pick >> 3) % 8) {
        case 1: layout.OutputPath = (folder / "out.kvt").string(); break;
        case 2: layout.OutputPath = layout.Chart.string(); break;
        case 3: layout.OutputPath = (folder / "sub").string(); break;
        case 4: layout.OutputPath = (folder / "missing" / "out.kvt").string(); break;
        default: break;
    }
    std::string reason;
    layout.Target = layout.OutputPath.empty()
                        ? fs::path(ReaderFor(layout.Format)->TimingFileFor(layout.Chart.string(), reason))
                        : fs::path(layout.OutputPath);
    return layout;
}

void PrepareFolder(const Layout& layout, std::string_view chartBytes, const fs::path& folder) {
    WriteFileBytes(layout.Chart, chartBytes);
    if (layout.OldTimingFile && layout.Target != layout.Chart) WriteFileBytes(layout.Target, "an earlier timing file\n");
    std::error_code error;
    if (layout.OutputPath == (folder / "sub").string()) fs::create_directory(folder / "sub", error);
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

// A file without a single chart tag is refused whole, however it reads.
bool HoldsNoChart(const ChartReading& reading) {
    return reading.StopReason == "the chart has no #NOTES tag" || reading.StopReason == "the chart has no #NOTEDATA tag";
}

// The captions a whole reading shows are made from its values, so what
// stays to check is that it shows all three.
std::string CheckReading(const Layout& layout, std::string_view chartBytes, ChartReading& fromFile) {
    fromFile = ReadChart(layout.Chart.string());
    ChartInMemory memory(chartBytes);
    if (!SameReading(fromFile, ReadChart(memory, layout.Format)))
        return "the file reads otherwise than its bytes in memory";
    if (!fromFile.Ok() && !HoldsNoChart(fromFile))
        return "a chart that could be read failed: " + fromFile.StopReason;
    if (!fromFile.Ok()) return {};
    const ChartInfo& info = fromFile.Info;
    if (!info.ReachedEnd) return "a chart read whole did not reach its end";
    if (!info.HasTitle) return "a whole reading shows no title caption";
    if (!info.HasTempo) return "a whole reading shows no tempo caption";
    if (!info.HasOffset) return "a whole reading shows no offset caption";
    const std::vector<std::string> keys = DisplayTexts(info);
    if (std::set<std::string>(keys.begin(), keys.end()).size() != keys.size()) return "two charts have the same key";
    for (const std::string& key : keys)
        if (!IsChartKey(key)) return "'" + key + "' is no chart key";

    ChartInMemory failing(chartBytes, chartBytes.size() / 2);
    if (ReadChart(failing, layout.Format).Ok()) return "a chart cut short by a failing disk read as a whole one";
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

// A run's last records are its own, so a written run's records are all in
// its file.
std::string CheckRun(const RunOutcome& outcome, const std::vector<std::string>& lines, const Listing& before,
                     const Listing& after, const Layout& layout, const ArrowTokens& tokens) {
    if (!outcome.Ran) return "a run with a chart path did not run";
    const std::string name = fs::relative(layout.Target, layout.Chart.parent_path()).string();
    std::optional<std::string> written;
    if (outcome.Written) {
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
    ConversionRequest request;
    request.ChartPath = layout.Chart.string();
    request.OutputPath = layout.OutputPath;
    request.Tokens = TakeTokens(input);
    request.DecimalSeparator = input.TakeChoice(kSeparators, 3);
    const std::string_view chartBytes = input.Rest();
    PrepareFolder(layout, chartBytes, folder);

    ChartReading reading;
    std::string broken = CheckReading(layout, chartBytes, reading);
    if (!broken.empty()) return broken;
    if (HoldsNoChart(reading)) {
        // Its conversion stops and writes nothing.
        VectorLog log;
        request.Part = key;
        if (ConvertChart(request, log).Written) return "a file without a chart was converted";
        return {};
    }
    const std::vector<Difficulty>& keys = reading.Info.Difficulties;
    if (!keys.empty() && keyPick < 0xC0) key = keys[keyPick % keys.size()].DisplayText;
    request.Reading = reading.Info;
    request.Part = key;
    const Listing before = ListFolder(folder);

    // From the file with every log line, its records written in blocks of a
    // few bytes so that even a small chart's records cross many blocks.
    VectorLog log;
    log.Append("a line of an earlier run");
    ConversionRequest smallBlocks = request;
    smallBlocks.RecordBlockBytes = 1 + chartBytes.size() % 61;
    const RunOutcome first = ConvertChart(smallBlocks, log);
    const Listing afterFirst = ListFolder(folder);
    broken = CheckRun(first, log.Lines, before, afterFirst, layout, request.Tokens);
    if (!broken.empty()) return "first run: " + broken;

    // The same from memory, read again from its notes' offset, with a log
    // that keeps no lines: the same file, or the same stop.
    UnreadLog quiet;
    ChartInMemory memory(chartBytes);
    ConversionRequest fromMemory = request;
    fromMemory.ChartBytes = &memory;
    const RunOutcome second = ConvertChart(fromMemory, quiet);
    if (second.StopReason != first.StopReason) return "a quiet run from memory stopped otherwise";
    if (ListFolder(folder) != afterFirst) return "a quiet run from memory wrote otherwise";

    // A failing disk stops the run and leaves the folder as it was.
    ChartInMemory failing(chartBytes, chartBytes.size() / 2);
    ConversionRequest fromFailing = request;
    fromFailing.ChartBytes = &failing;
    const RunOutcome third = ConvertChart(fromFailing, quiet);
    if (third.Written) return "a run from a chart cut short by a failing disk was written";
    if (ListFolder(folder) != afterFirst) return "a run from a failing disk changed the folder";
    return {};
}

}  // namespace stepquill
