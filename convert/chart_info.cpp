#include "chart_info.h"

#include <algorithm>
#include <array>
#include <new>

#include "chart_file.h"
#include "chart_stream.h"
#include "text.h"

namespace stepquill {

namespace {

// The first field that begins with a header tag.
struct TagMatch {
    TagMatch() = default;
    TagMatch(std::string_view tag, std::size_t k) : Tag(tag), K(k) {}
    std::string_view Tag;
    std::size_t K = 0;  // length of the tag with its colon, plus one
    bool Found = false;
    bool TooShort = false;  // shorter than K: the reading fails on it
    std::string Value;
};

// A field is kept for display and for the tags' values up to this many
// bytes; the rest of a longer one is read and passed over, so a title of
// hundreds of megabytes costs no more memory than one of a megabyte.
constexpr std::size_t kKeptFieldBytes = 1 << 20;

// The value rule: the L - K characters after the first ":" (or from the
// start when the field holds none), L being the whole field's length, of
// which `field` may hold only the first bytes.
std::string TagValue(const std::string& field, std::size_t length, std::size_t k) {
    std::size_t colon = field.find(':');
    std::size_t start = colon == std::string::npos ? 0 : colon + 1;
    if (start >= field.size()) return {};
    return field.substr(start, length - k);
}

constexpr std::array<std::string_view, 5> kSingleNames = {"BEGINNER", "BASIC", "MANIAC",
                                                          "SMANIAC", "ANOTHER"};

// Looks at one field of the difficulty scan; returns a failure reason or "".
std::string ScanDifficulty(const std::string& field, std::vector<std::string>& difficulties) {
    // Blank lines between parts are ordinary: an empty field adds nothing.
    if (field.empty()) return {};
    std::size_t first = field.find(':');
    if (field.compare(0, first, "#SINGLE") != 0) return {};
    if (first == std::string::npos) return "a #SINGLE field names no difficulty";
    std::size_t second = field.find(':', first + 1);
    std::string_view name(field.data() + first + 1,
                          (second == std::string::npos ? field.size() : second) - first - 1);
    bool known = false;
    for (auto candidate : kSingleNames) known = known || candidate == name;
    if (!known) return {};
    if (second == std::string::npos) return "the #SINGLE:" + std::string(name) + " field has no rating";
    std::size_t third = field.find(':', second + 1);
    std::string_view rating(field.data() + second + 1,
                            (third == std::string::npos ? field.size() : third) - second - 1);
    difficulties.push_back(std::string(name) + "(" + std::string(rating) + ")");
    return {};
}

// `wanted` empty: every field. Otherwise the reading ends once all four tags
// are found and a part that `wanted` names is listed.
ReadOutcome ReadFields(ChartStream& chart, ConverterState& state, ChartInfo& info,
                       std::string_view decimalSeparator, std::string_view wanted) {
    std::array<TagMatch, 4> tags;
    tags[0] = {"#TITLE", 8};
    tags[1] = {"#ARTIST", 9};
    tags[2] = {"#BPM", 6};
    tags[3] = {"#GAP", 6};
    // Every scan starts at the chart's first field and takes the first match,
    // so one pass that remembers the first match of each tag gives them all.
    std::vector<std::string> difficulties;
    std::string difficultyFailure;
    bool endedEarly = false;
    std::string field;
    std::size_t length = 0;
    // Only a field that begins with "#" can hold a tag or a part; all others
    // are passed over unread. An empty field stands for the last one of them.
    while (chart.ReadFieldBeginningWith('#', field, kKeptFieldBytes, length)) {
        for (auto& tag : tags) {
            if (tag.Found || field.compare(0, tag.Tag.size(), tag.Tag) != 0) continue;
            tag.Found = true;
            tag.TooShort = length < tag.K;
            if (!tag.TooShort) tag.Value = TagValue(field, length, tag.K);
        }
        if (difficultyFailure.empty()) difficultyFailure = ScanDifficulty(field, difficulties);
        if (chart.AtEnd()) break;
        if (!wanted.empty() && !difficulties.empty() && NamesDifficulty(difficulties.back(), wanted) &&
            std::all_of(tags.begin(), tags.end(), [](const TagMatch& tag) { return tag.Found; })) {
            endedEarly = true;
            break;
        }
    }

    // A read error fails the scan that meets it: the tags found before it
    // stand, and a tag not found is not missing from the chart, only unread.
    const bool cut = chart.ReadFailed();
    auto& [title, artist, bpm, gap] = tags;
    auto check = [cut](const TagMatch& tag) -> std::string {
        if (tag.TooShort) return "the " + std::string(tag.Tag) + " tag has no value";
        if (!tag.Found) return cut ? kUnreadableChart : "the chart has no " + std::string(tag.Tag) + " tag";
        return {};
    };
    // The scans in their order; each caption is built from what the state
    // holds, new values where found and earlier ones where not.
    if (title.TooShort || !title.Found) return {check(title)};
    state.Title = title.Value;
    if (artist.TooShort || (cut && !artist.Found)) return {check(artist)};
    if (artist.Found) state.Artist = artist.Value;
    info.TitleCaption = state.Title + "\r\nby " + state.Artist;
    if (!artist.Found) return {check(artist)};
    if (bpm.TooShort || (cut && !bpm.Found)) return {check(bpm)};
    if (bpm.Found) state.Bpm = ParseLeadingNumber(bpm.Value);
    info.TempoCaption = "BPM:" + FormatNumber(state.Bpm, decimalSeparator);
    if (!bpm.Found) return {check(bpm)};
    if (gap.TooShort || (cut && !gap.Found)) return {check(gap)};
    if (gap.Found) state.OffsetMs = ParseLeadingNumber(gap.Value);
    info.OffsetCaption = "Offset:" + FormatNumber(state.OffsetMs, decimalSeparator) + "ms";
    if (!gap.Found) return {check(gap)};

    info.Difficulties = std::move(difficulties);
    if (!difficultyFailure.empty()) return {difficultyFailure};
    if (cut) return {kUnreadableChart};
    info.ReachedEnd = !endedEarly;
    return {};
}

// A field too large for the memory left fails the reading, not the program.
template <typename Input>
ReadOutcome ReadWithin(Input& input, ConverterState& state, ChartInfo& info,
                       std::string_view decimalSeparator, std::string_view wanted = {}) {
    try {
        ChartStream chart(input);
        return ReadFields(chart, state, info, decimalSeparator, wanted);
    } catch (const std::bad_alloc&) {
        return {"the chart does not fit in memory"};
    }
}

}  // namespace

ReadOutcome ReadChartInfo(ChartSource& chart, ConverterState& state, ChartInfo& info,
                          std::string_view decimalSeparator) {
    return ReadWithin(chart, state, info, decimalSeparator);
}

ReadOutcome ReadChartInfo(std::istream& chart, ConverterState& state, ChartInfo& info,
                          std::string_view decimalSeparator) {
    return ReadWithin(chart, state, info, decimalSeparator);
}

ReadOutcome ReadChartInfo(const std::string& path, ConverterState& state, ChartInfo& info,
                          std::string_view decimalSeparator) {
    std::optional<ChartFile> chart = OpenChart(path);
    if (!chart) return {"the chart cannot be opened"};
    return ReadChartInfo(*chart, state, info, decimalSeparator);
}

ReadOutcome ReadChartInfoFor(const std::string& path, std::string_view wanted, ConverterState& state,
                             ChartInfo& info) {
    std::optional<ChartFile> chart = OpenChart(path);
    if (!chart) return {"the chart cannot be opened"};
    return ReadWithin(*chart, state, info, ".", wanted);
}

bool NamesDifficulty(std::string_view displayText, std::string_view wanted) {
    return displayText == wanted || displayText.substr(0, displayText.find('(')) == wanted;
}

ReadOutcome GetDWIInfo(ChartInfoControls& controls, ConverterState& state,
                       std::string_view decimalSeparator, ChartInfoReading read) {
    controls.ClearDifficulties();
    controls.ClearLog();
    ChartInfo info;
    const std::string path = controls.PathText();
    ReadOutcome outcome = read ? read(path, state, info, decimalSeparator)
                               : ReadChartInfo(path, state, info, decimalSeparator);
    if (info.TitleCaption) controls.SetTitleCaption(*info.TitleCaption);
    if (info.TempoCaption) controls.SetTempoCaption(*info.TempoCaption);
    if (info.OffsetCaption) controls.SetOffsetCaption(*info.OffsetCaption);
    for (const auto& difficulty : info.Difficulties) controls.AppendDifficulty(difficulty);
    if (info.ReachedEnd && controls.DifficultyText().empty()) {
        std::string first = controls.FirstDifficulty();
        if (!first.empty()) controls.SetDifficultyText(first);
    }
    return outcome;
}

}  // namespace stepquill
