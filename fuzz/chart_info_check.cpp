#include "chart_info_check.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <utility>
#include <vector>

#include "chart_info.h"
#include "chart_stream.h"
#include "dwi_info.h"
#include "fuzz_choices.h"
#include "fuzz_input.h"
#include "reading.h"

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
    // The reading no longer shows numbers, so the separator changes nothing
    // in it; its choice still takes its byte, so that the kept inputs and the
    // corpus split into chart and values as they always did.
    input.TakeChoice(kSeparators, 3);
    // Values of a chart read before: a field whose tag is missing keeps them.
    ChartInfo earlier;
    earlier.Title = "earlier title";
    earlier.Artist = "earlier artist";
    earlier.Bpm = input.TakeNumber();
    earlier.OffsetMs = input.TakeNumber();

    std::istringstream chart{std::string(input.Rest())};
    const ChartReading reading = ReadChartInfo(chart, {}, earlier);
    const ChartInfo& info = reading.Info;

    // A byte-order mark before the chart changes nothing, unless the chart
    // begins with one itself: only the first is passed over.
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (input.Rest().substr(0, kMark.size()) != kMark) {
        std::istringstream markedChart{std::string(kMark) + std::string(input.Rest())};
        if (!SameReading(reading, ReadChartInfo(markedChart, {}, earlier)))
            return "a byte-order mark changed the reading";
    }

    if (!PassingOverKeepsEveryTagField(input.Rest())) return "passing over fields lost a tag's field";
    if (reading.Ok() != info.ReachedEnd) return "success and reaching the end disagree";
    if (info.HasTempo && !info.HasTitle) return "tempo caption without title caption";
    if (info.HasOffset && !info.HasTempo) return "offset caption without tempo caption";
    if (reading.Ok() && !info.HasOffset) return "success without all three captions";
    if (!info.Difficulties.empty() && !info.HasOffset) return "difficulties before the offset";
    for (const Difficulty& difficulty : info.Difficulties)
        if (!IsDisplayText(difficulty.DisplayText))
            return "difficulty '" + difficulty.DisplayText + "' is no display text";
    return {};
}

}  // namespace stepquill
