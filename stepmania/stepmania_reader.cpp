#include "stepmania_reader.h"

#include <new>

#include "chart_stream.h"
#include "hold_ends.h"
#include "note_rows.h"
#include "press_walk.h"
#include "text.h"
#include "value_reader.h"

namespace stepquill::stepmania {

ReadOutcome ReadStepManiaInfo(ChartSource& chart, SimfileFormat format, ConverterState& state, ChartInfo& info,
                              std::string_view decimalSeparator) {
    Simfile simfile;
    try {
        if (!ReadSimfile(chart, format, simfile)) return {kUnreadableChart};
    } catch (const std::bad_alloc&) {
        return {"the chart does not fit in memory"};
    }
    state.Title = simfile.Subtitle.empty() ? simfile.Title : simfile.Title + " " + simfile.Subtitle;
    state.Artist = simfile.Artist;
    state.Bpm = simfile.SongTiming.Bpms.front().Bpm;
    // Beat 0 lies at -OFFSET seconds; "+ 0" makes an offset of 0 read "0", not "-0".
    state.OffsetMs = -(simfile.SongTiming.OffsetSeconds * 1000) + 0.0;
    info.TitleCaption = state.Title + "\r\nby " + state.Artist;
    info.TempoCaption = "BPM:" + FormatNumber(state.Bpm, decimalSeparator);
    info.OffsetCaption = "Offset:" + FormatNumber(state.OffsetMs, decimalSeparator) + "ms";
    info.Difficulties.clear();
    for (const ChartListing& listed : simfile.Charts) info.Difficulties.push_back(listed.Key);
    info.ReachedEnd = true;
    return {};
}

ReadOutcome ReadStepManiaInfoFor(ChartSource& chart, SimfileFormat format, std::string_view wanted, ChartInfo& info) {
    Simfile simfile;
    const ListedEnough enough = [wanted](const std::string& key) { return NamesDifficulty(key, wanted); };
    try {
        if (!ReadSimfile(chart, format, simfile, {}, {}, enough)) return {kUnreadableChart};
    } catch (const std::bad_alloc&) {
        return {"the chart does not fit in memory"};
    }
    info.Difficulties.clear();
    for (const ChartListing& listed : simfile.Charts) info.Difficulties.push_back(listed.Key);
    return {};
}

std::string StepManiaPartReader::TimingFileFor(const std::string& chartPath, std::string& reason) const {
    (void)reason;
    // A chart whose format was told by its tags, not its ending, keeps its
    // whole name.
    SimfileFormat named;
    const std::size_t ending = IsSimfilePath(chartPath, named) ? (named == SimfileFormat::Sm ? 3 : 4) : 0;
    return chartPath.substr(0, chartPath.size() - ending) + ".kvt";
}

std::string StepManiaPartReader::ConvertPart(ChartSource& chart, ConverterState& state,
                                             const std::string& difficultyText, const ArrowTokens& tokens,
                                             ProgressLog& log, RecordSink& records,
                                             const RunSettings& settings) {
    state.PartName = difficultyText;
    log.Append("Searching " + difficultyText + " part.");

    Simfile simfile;
    HoldEnds holds;
    const NotesReader findHoldEnds = [&holds](ValueReader& values) {
        NoteRows<HoldEnds> rows(holds);
        const ValueReader::End end = values.StreamParameter(rows);
        rows.Finish();
        return end;
    };
    if (!ReadSimfile(chart, format_, simfile, difficultyText, findHoldEnds)) return kUnreadableChart;
    const ChartListing* wanted = nullptr;
    for (const ChartListing& listed : simfile.Charts)
        if (listed.Key == difficultyText) wanted = &listed;
    if (wanted == nullptr) return "the " + difficultyText + " part was not found";
    log.Append(difficultyText + " part found.");

    PressWalk walk(simfile.TimingOf(*wanted), settings.ShiftMs, holds.Ended, tokens, log, records,
                   state.OutputBuffer, settings.DecimalSeparator);
    // A chart whose value ends before its notes has none: its timing file is empty.
    if (wanted->HasNotes) {
        ValueReader values(chart);
        if (!values.ReturnTo(wanted->NotesOffset)) return kUnreadableChart;
        NoteRows<PressWalk> rows(walk);
        values.StreamParameter(rows);
        rows.Finish();
        if (values.Failed()) return kUnreadableChart;
    }
    walk.Finish();
    return walk.StopReason();
}

}  // namespace stepquill::stepmania
