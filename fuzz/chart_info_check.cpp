#include "chart_info_check.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <utility>
#include <vector>

#include "chart_info.h"
#include "chart_stream.h"
#include "fuzz_choices.h"
#include "fuzz_input.h"
#include "reading.h"
#include "text.h"

namespace stepquill {

namespace {

constexpr std::array<std::string_view, 5> kSingleNames = {"BEGINNER", "BASIC", "MANIAC",
                                                          "SMANIAC", "ANOTHER"};

// A display text is a known name, "(", the rating and ")".
bool IsDisplayText(const std::string& text) {
    const std::size_t bracket = text.find('(');
    if (bracket == std::string::npos || text.empty() || text.back() != ')') return false;
    const std::string_view name(text.data(), bracket);
    return std::find(kSingleNames.begin(), kSingleNames.end(), name) != kSingleNames.end();
}

// The fields that begin with "#", read one by one and read passing over the
// others, each with whether the chart ended after it: the reading sees only
// these, so both ways must give the same.
bool PassingOverKeepsEveryTagField(std::string_view bytes) {
    using Fields = std::vector<std::pair<std::string, bool>>;
    Fields everyField;
    Fields passingOver;
    std::istringstream one{std::string(bytes)};
    std::istringstream other{std::string(bytes)};
    ChartStream fieldByField(one);
    ChartStream skipping(other);
    std::string field;
    while (fieldByField.ReadField(field))
        if (!field.empty() && field.front() == '#') everyField.emplace_back(field, fieldByField.AtEnd());
    while (skipping.ReadFieldBeginningWith('#', field))
        if (!field.empty() && field.front() == '#') passingOver.emplace_back(field, skipping.AtEnd());
    return everyField == passingOver;
}

}  // namespace

std::string CheckChartInfoReading(std::string_view bytes) {
    FuzzInput input(bytes);
    const std::string separator = input.TakeChoice(kSeparators, 3);
    // Values of a chart read before: a field whose tag is missing keeps them.
    ConverterState earlier;
    earlier.Title = "earlier title";
    earlier.Artist = "earlier artist";
    earlier.Bpm = input.TakeNumber();
    earlier.OffsetMs = input.TakeNumber();
    ConverterState state = earlier;

    std::istringstream chart{std::string(input.Rest())};
    ChartInfo info;
    const ReadOutcome outcome = ReadChartInfo(chart, state, info, separator);

    // A byte-order mark before the chart changes nothing, unless the chart
    // begins with one itself: only the first is passed over.
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (input.Rest().substr(0, kMark.size()) != kMark) {
        Reading plain{outcome, info, state};
        Reading marked{{}, {}, earlier};
        std::istringstream markedChart{std::string(kMark) + std::string(input.Rest())};
        marked.Outcome = ReadChartInfo(markedChart, marked.State, marked.Info, separator);
        if (!SameReading(plain, marked)) return "a byte-order mark changed the reading";
    }

    if (!PassingOverKeepsEveryTagField(input.Rest())) return "passing over fields lost a tag's field";
    if (outcome.Ok() != info.ReachedEnd) return "success and reaching the end disagree";
    if (info.TempoCaption && !info.TitleCaption) return "tempo caption without title caption";
    if (info.OffsetCaption && !info.TempoCaption) return "offset caption without tempo caption";
    if (outcome.Ok() && !info.OffsetCaption) return "success without all three captions";
    if (!info.Difficulties.empty() && !info.OffsetCaption) return "difficulties before the offset";
    if (info.TitleCaption && *info.TitleCaption != state.Title + "\r\nby " + state.Artist)
        return "title caption differs from the stored title and artist";
    if (info.TempoCaption && *info.TempoCaption != "BPM:" + FormatNumber(state.Bpm, separator))
        return "tempo caption differs from the stored tempo";
    if (info.OffsetCaption &&
        *info.OffsetCaption != "Offset:" + FormatNumber(state.OffsetMs, separator) + "ms")
        return "offset caption differs from the stored offset";
    for (const auto& difficulty : info.Difficulties)
        if (!IsDisplayText(difficulty)) return "difficulty '" + difficulty + "' is no display text";
    return {};
}

}  // namespace stepquill
