#include "part_walk_check.h"

#include <sstream>

#include "chart_stream.h"
#include "fuzz_choices.h"
#include "fuzz_input.h"
#include "part_search.h"
#include "step_walk.h"
#include "timing_text.h"

namespace stepquill {

std::string CheckPartWalk(std::string_view bytes) {
    FuzzInput input(bytes);
    const std::string partName = input.TakeChoice(kPartNames, 16);
    const ArrowTokens tokens = TakeTokens(input);
    const std::string separator = input.TakeChoice(kSeparators, 3);
    ConverterState state;
    state.Bpm = input.TakeNumber();
    state.OffsetMs = input.TakeNumber();
    // As a run prepares the walk.
    state.StepMs = 60 / state.Bpm * 1000 / 2;
    state.CurrentMs = state.OffsetMs;

    std::istringstream chart{std::string(input.Rest())};
    ChartStream stream(chart);
    TimingLists lists;
    VectorLog log;
    const PartSearchResult part = FindPart(stream, partName, lists, log);
    if (!part.PartFound && !stream.AtEnd()) return "a search that found nothing stopped early";
    if (!part.PartFound && !part.HeaderRest.empty()) return "header data without a header";
    if (lists.BpmChangeIndex != 0 || lists.FreezeIndex != 0) return "the search moved an index";

    // A run walks only a part it found, but the walk must cope either way.
    NoteWriter notes(nullptr, state.OutputBuffer, tokens, log, separator, DwiNotation());
    const WalkOutcome walk = WalkSteps(part.HeaderRest, stream, state, lists, notes, log);
    if (lists.BpmChangeIndex > lists.BpmChanges.size()) return "tempo-change index past the list";
    if (lists.FreezeIndex > lists.Freezes.size()) return "stop index past the list";
    if (!state.OutputBuffer.empty() && state.OutputBuffer.back() != '\n')
        return "the timing text does not end with a line feed";
    if (walk.Ok() && HoldsTimeThatIsNotFinite(state.OutputBuffer))
        return "a walk that went fine recorded a time that is not finite";
    if (RecordsStayOnOneLine(tokens) && TimesGoBack(state.OutputBuffer)) return "the records go back in time";
    return {};
}

}  // namespace stepquill
