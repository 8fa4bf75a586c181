#include "dwi_reader.h"

#include <cmath>

#include "chart_stream.h"
#include "converter_state.h"
#include "dwi_info.h"
#include "messages.h"
#include "part_search.h"
#include "step_walk.h"

namespace stepquill {

ChartReading DwiReader::ReadInfo(ChartSource& chart, std::string_view wanted, const ChartInfo& before) {
    return ReadChartInfo(chart, wanted, before);
}

std::string DwiReader::TimingFileFor(const std::string& chartPath, std::string& reason) const {
    // The last three characters give way to "kvt": where they reach into
    // the chart's folders, the timing file would land outside its folder.
    if (chartPath.size() < 3 || chartPath.find('/', chartPath.size() - 3) != std::string::npos) {
        reason = kChartNameTooShort;
        return {};
    }
    return TimingFileName(chartPath);
}

Notation DwiReader::NotesNotation() const { return DwiNotation(); }

std::string DwiReader::ConvertPart(ChartSource& source, const ConversionRequest& request, NoteWriter& notes,
                                   ProgressLog& log) {
    ConverterState state;
    state.Bpm = request.Reading.Bpm;
    state.OffsetMs = request.Reading.OffsetMs;
    if (state.Bpm == 0) return "the tempo is 0";
    // A negative tempo would run time backwards, and one read as infinite
    // (beyond the range of a double) would put every arrow at the offset.
    if (state.Bpm < 0) return "the tempo is negative";
    if (!std::isfinite(state.Bpm)) return "the tempo is too large to read";
    state.StepMs = 60 / state.Bpm * 1000 / 2;
    if (!std::isfinite(state.StepMs)) return "the step length is not finite";

    if (request.Part.find('(') == std::string::npos) return "no difficulty chosen";
    state.PartName = PartNameOf(request.Part);

    state.CurrentMs = state.OffsetMs + request.ShiftMs;
    state.Beat = 0;
    log.Append(SearchingPartLine(state.PartName));

    // A search from the chart's start, unless the last one stopped short of
    // this part's header and counted every header it passed.
    std::size_t skip = request.PartOccurrence;
    const bool goesOn = searched_ && searched_->Counted && [&] {
        const auto passed = searched_->HeaderLines.find(state.PartName);
        const std::size_t count = passed == searched_->HeaderLines.end() ? 0 : passed->second;
        if (count > skip) return false;
        skip -= count;
        return true;
    }();
    if (!goesOn) {
        skip = request.PartOccurrence;
        // The first search reads on from where the chart stands.
        if (searched_ && !source.Seek(0)) return kUnreadableChart;
        searched_.emplace();
    } else if (!source.Seek(searched_->Offset)) {
        return kUnreadableChart;
    }
    for (const std::string& line : searched_->ListingLines) log.Append(line);
    TimingLists lists = searched_->Lists;
    ChartStream chart(source, searched_->Offset);
    PartSearchResult part = FindPart(chart, state.PartName, lists, log, skip, &*searched_);
    // A read error ends the search and the walk as the chart's end
    // would; what they gave then is not the chart's.
    const bool found = !chart.ReadFailed() && part.PartFound;
    if (found) {
        searched_->Offset = chart.Position();
        searched_->Lists = lists;
    } else {
        searched_->Counted = false;
    }
    if (chart.ReadFailed()) return kUnreadableChart;
    if (!part.PartFound) return PartNotFound(state.PartName);
    WalkOutcome walk = WalkSteps(part.HeaderRest, chart, state, lists, notes, log);
    if (chart.ReadFailed()) return kUnreadableChart;
    return walk.StopReason;
}

std::string TimingFileName(const std::string& chartPath) {
    return chartPath.substr(0, chartPath.size() - 3) + "kvt";
}

RunOutcome ConvertDWI(const ConversionRequest& request, ProgressLog& log) {
    DwiReader reader;
    return RunConversion(reader, request, log);
}

}  // namespace stepquill
