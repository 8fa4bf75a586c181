#include "dwi_info.h"

#include <algorithm>
#include <array>
#include <new>

#include "chart_file.h"
#include "chart_stream.h"
#include "dwi_text.h"
#include "messages.h"

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
std::string ScanDifficulty(const std::string& field, std::vector<Difficulty>& difficulties) {
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
    // A DWI part has no timing of its own.
    difficulties.push_back(
        {std::string(name) + "(" + std::string(rating) + ")", std::string(name), std::string(rating), {}, {}});
    return {};
}

// `wanted` empty: every field. Otherwise the reading ends once all four tags
// are found and a part that `wanted` names is listed.
ChartReading ReadFields(ChartStream& chart, const ChartInfo& before, std::string_view wanted) {
    std::array<TagMatch, 4> tags;
    tags[0] = {"#TITLE", 8};
    tags[1] = {"#ARTIST", 9};
    tags[2] = {"#BPM", 6};
    tags[3] = {"#GAP", 6};
    // Every scan starts at the chart's first field and takes the first match,
    // so one pass that remembers the first match of each tag gives them all.
    std::vector<Difficulty> difficulties;
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
    // The scans in their order; each value not found is the one the reading
    // started from.
    ChartReading reading{StartingFrom(before), {}};
    ChartInfo& info = reading.Info;
    auto stop = [&reading](std::string reason) {
        reading.StopReason = std::move(reason);
        return reading;
    };
    if (title.TooShort || !title.Found) return stop(check(title));
    info.Title = title.Value;
    info.Subtitle.clear();
    if (artist.TooShort || (cut && !artist.Found)) return stop(check(artist));
    if (artist.Found) info.Artist = artist.Value;
    info.HasTitle = true;
    if (!artist.Found) return stop(check(artist));
    if (bpm.TooShort || (cut && !bpm.Found)) return stop(check(bpm));
    if (bpm.Found) info.Bpm = ParseLeadingNumber(bpm.Value);
    info.HasTempo = true;
    if (!bpm.Found) return stop(check(bpm));
    if (gap.TooShort || (cut && !gap.Found)) return stop(check(gap));
    if (gap.Found) info.OffsetMs = ParseLeadingNumber(gap.Value);
    info.HasOffset = true;
    if (!gap.Found) return stop(check(gap));

    info.Difficulties = std::move(difficulties);
    if (!difficultyFailure.empty()) return stop(difficultyFailure);
    if (cut) return stop(kUnreadableChart);
    info.ReachedEnd = !endedEarly;
    return reading;
}

// A field too large for the memory left fails the reading, not the program.
template <typename Input>
ChartReading ReadWithin(Input& input, std::string_view wanted, const ChartInfo& before) {
    try {
        ChartStream chart(input);
        return ReadFields(chart, before, wanted);
    } catch (const std::bad_alloc&) {
        return {StartingFrom(before), kChartTooLargeForMemory};
    }
}

}  // namespace

ChartReading ReadChartInfo(ChartSource& chart, std::string_view wanted, const ChartInfo& before) {
    return ReadWithin(chart, wanted, before);
}

ChartReading ReadChartInfo(std::istream& chart, std::string_view wanted, const ChartInfo& before) {
    return ReadWithin(chart, wanted, before);
}

}  // namespace stepquill
