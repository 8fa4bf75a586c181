#include "stepmania_reader.h"

#include <new>

#include "held_back_notes.h"
#include "hold_ends.h"
#include "messages.h"
#include "note_rows.h"
#include "press_walk.h"
#include "text.h"
#include "value_reader.h"

namespace stepquill::stepmania {

namespace {

// A time is taken down to whole milliseconds, but the doubles of a sum of
// stretches land just under a whole millisecond now and then
// (16027.999999999998 for 16028): this much above the computed time takes
// the exact time's floor on every press of the charts the rules were held
// against, where the plain floor misses hundreds.
constexpr double kFloorTolerance = 1e-6;

// The stop of a file that holds no chart at all: a README renamed .sm, an
// empty file.
std::string NoChartTag(SimfileFormat format) {
    return format == SimfileFormat::Sm ? "the chart has no #NOTES tag" : "the chart has no #NOTEDATA tag";
}

// Beat 0 lies at -OFFSET seconds; "+ 0" makes an offset of 0 read "0", not "-0".
double OffsetMsOf(const TimingData& timing) { return -(timing.OffsetSeconds * 1000) + 0.0; }

Difficulty DifficultyOf(const ChartListing& listed) {
    Difficulty difficulty{listed.Key, listed.Difficulty, std::to_string(listed.Meter), {}, {}};
    // A chart with timing of its own is converted on it, so it is the
    // tempo and offset shown when that chart is chosen.
    if (listed.OwnTiming) {
        if (!listed.Timing.Bpms.empty()) difficulty.Bpm = listed.Timing.Bpms.front().Bpm;
        difficulty.OffsetMs = OffsetMsOf(listed.Timing);
    }
    return difficulty;
}

}  // namespace

ChartReading StepManiaReader::ReadInfo(ChartSource& chart, std::string_view wanted, const ChartInfo& before) {
    // A conversion needs the whole file for its timing, which may follow the
    // notes, so `wanted` ends nothing early here: the whole reading is kept
    // instead, and the conversion of this chart that follows reads only the
    // notes of its part.
    (void)wanted;
    StartChart();
    ChartReading reading{StartingFrom(before), {}};
    Simfile simfile;
    try {
        if (!ReadSimfile(chart, format_, simfile)) {
            reading.StopReason = kUnreadableChart;
            return reading;
        }
    } catch (const std::bad_alloc&) {
        reading.StopReason = kChartTooLargeForMemory;
        return reading;
    }
    // Nothing of a file without a chart is shown: the reading stops before
    // its first caption.
    if (!simfile.HasChartTag) {
        reading.StopReason = NoChartTag(format_);
        return reading;
    }
    ChartInfo& info = reading.Info;
    info.Title = simfile.Title;
    info.Subtitle = simfile.Subtitle;
    info.Artist = simfile.Artist;
    for (const ChartListing& listed : simfile.Charts) info.Difficulties.push_back(DifficultyOf(listed));
    const bool timed = !simfile.SongTiming.Bpms.empty();
    if (timed) {
        info.Bpm = simfile.SongTiming.Bpms.front().Bpm;
        info.OffsetMs = OffsetMsOf(simfile.SongTiming);
        info.HasTitle = info.HasTempo = info.HasOffset = true;
        info.ReachedEnd = true;
    }
    Keep(std::move(simfile));
    return reading;
}

void StepManiaReader::Keep(Simfile simfile) {
    simfile_.emplace(std::move(simfile));
    for (std::size_t i = 0; i < simfile_->Charts.size(); ++i) chartOfKey_[simfile_->Charts[i].Key] = i;
}

std::string StepManiaReader::TimingFileFor(const std::string& chartPath, std::string& reason) const {
    (void)reason;
    const std::size_t ending = EndsWithIgnoringCase(chartPath, ".sm")    ? 3
                               : EndsWithIgnoringCase(chartPath, ".ssc") ? 4
                                                                         : 0;
    return chartPath.substr(0, chartPath.size() - ending) + ".kvt";
}

Notation StepManiaReader::NotesNotation() const { return {BeatStyle::BeatOnly, kFloorTolerance, "Hold end: "}; }

std::string StepManiaReader::ConvertPart(ChartSource& chart, const ConversionRequest& request, NoteWriter& notes,
                                         ProgressLog& log) {
    const std::string& part = request.Part;
    log.Append(SearchingPartLine(part));

    if (!simfile_) {
        // From the start, where a part before this one could not be converted
        // (a source that cannot seek is read once, from its start).
        chart.Seek(0);
        Simfile simfile;
        if (!ReadSimfile(chart, format_, simfile)) return kUnreadableChart;
        Keep(std::move(simfile));
    }
    const Simfile& simfile = *simfile_;
    if (!simfile.HasChartTag) return NoChartTag(format_);
    const auto listed = chartOfKey_.find(part);
    if (listed == chartOfKey_.end()) return PartNotFound(part);
    const ChartListing* wanted = &simfile.Charts[listed->second];
    log.Append(part + " part found.");

    PressWalk walk(simfile.TimingOf(*wanted), request.ShiftMs, notes, log, request.DecimalSeparator);
    // A chart whose value ends before its notes has none: its timing file is empty.
    if (wanted->HasNotes) {
        ValueReader values(chart);
        // Where too much would be held back, every head's fate comes from a
        // reading of the notes of its own, and this one goes on from where
        // it stood.
        const auto readAhead = [&](std::vector<bool>& ended) {
            const std::uint64_t resumeAt = values.SourceOffset();
            ValueReader again(chart);
            if (!again.ReturnTo(wanted->NotesOffset)) return false;
            AllHoldEnds all;
            HoldEnds<AllHoldEnds> holds(all);
            NoteRows<HoldEnds<AllHoldEnds>> rows(holds);
            again.StreamParameter(rows);
            rows.Finish();
            holds.Finish();
            ended = std::move(all.Ended);
            return !again.Failed() && chart.Seek(resumeAt);
        };
        HeldBackNotes<PressWalk> held(walk, heldBackBytes_, readAhead);
        if (!values.ReturnTo(wanted->NotesOffset)) return kUnreadableChart;
        NoteRows<HeldBackNotes<PressWalk>> rows(held);
        values.StreamParameter(rows);
        rows.Finish();
        held.Finish();
        if (values.Failed() || held.Failed()) return kUnreadableChart;
    }
    walk.Finish();
    return notes.StopReason();
}

}  // namespace stepquill::stepmania
