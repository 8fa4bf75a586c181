#include "part_search.h"

#include <algorithm>
#include <string_view>

#include "dwi_text.h"

namespace stepquill {

namespace {

// Replaces a timing list by the tag line less its tag and colon, which are
// removed by count wherever the tag stands.
void TakeList(std::string& line, std::size_t tagLength, std::string_view title,
              std::vector<std::string>& list, std::size_t& index, ProgressLog& log, SearchedSoFar* searched) {
    log.Append(std::string(title));
    line = line.size() > tagLength ? line.substr(tagLength) : std::string();
    log.Append(line);
    if (searched != nullptr) {
        searched->ListingLines.emplace_back(title);
        searched->ListingLines.push_back(line);
    }
    list = SplitText(line, ',');
    index = 0;
}

// A line is held whole up to this length. A longer one is held whole only
// when a tempo-change or stop tag stands in its first bytes (its entries are
// what the run keeps); any other is passed over a piece at a time, looking
// for the part's header only, so a title of hundreds of megabytes costs no
// more memory than a short one.
constexpr std::size_t kKeptLineBytes = 1 << 20;

// The rest of a line that goes on after `line`, added to it.
bool AddRestOfLine(ChartStream& chart, std::string& line) {
    std::string spare;
    std::string_view part;
    bool lineEnds = false;
    while (!lineEnds) {
        spare.clear();
        if (!chart.ReadLinePart(part, spare, kKeptLineBytes, lineEnds)) return false;
        line.append(part);
    }
    return true;
}

// The next line as the search looks at it: the line, or for a long line
// without a tag near its start, the line from the part's header on, or
// nothing when the header is not in it either. False at the chart's end.
// `cut` tells that the line was not held whole.
bool ReadSearchedLine(ChartStream& chart, const std::string& header, std::string& line, bool& cut) {
    std::string spare;
    std::string_view part;
    bool lineEnds = false;
    if (!chart.ReadLinePart(part, spare, kKeptLineBytes, lineEnds)) return false;
    line.assign(part);
    if (lineEnds) return true;
    if (Contains(line, "#CHANGEBPM") || Contains(line, "#FREEZE")) return AddRestOfLine(chart, line);
    cut = true;
    // The header may straddle two pieces, so each piece is searched with
    // the end of the one before it.
    while (!lineEnds) {
        const std::size_t at = line.find(header);
        if (at != std::string::npos) {
            line.erase(0, at);
            return AddRestOfLine(chart, line);
        }
        line.erase(0, line.size() - std::min(line.size(), header.size() - 1));
        spare.clear();
        if (!chart.ReadLinePart(part, spare, kKeptLineBytes, lineEnds)) return false;
        line.append(part);
    }
    const std::size_t at = line.find(header);
    line.erase(0, at == std::string::npos ? line.size() : at);
    return true;
}

// Counts the line once for each part name whose header it holds, as the
// search for that name would count it. Names hold no ":".
void CountHeaders(std::string_view line, std::map<std::string, std::size_t, std::less<>>& counts) {
    constexpr std::string_view kSingle = "#SINGLE:";
    std::vector<std::string_view> names;
    for (std::size_t at = line.find(kSingle); at != std::string_view::npos; at = line.find(kSingle, at + 1)) {
        const std::size_t start = at + kSingle.size();
        const std::size_t end = line.find(':', start);
        if (end == std::string_view::npos) break;
        const std::string_view name = line.substr(start, end - start);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    for (std::string_view name : names) {
        const auto known = counts.find(name);
        if (known != counts.end())
            ++known->second;
        else
            counts.emplace(std::string(name), 1);
    }
}

}  // namespace

PartSearchResult FindPart(ChartStream& chart, const std::string& partName, TimingLists& lists,
                          ProgressLog& log, std::size_t skip, SearchedSoFar* searched) {
    // Only a single-play header names the part: a title, a double-play part
    // or an SMANIAC part standing first must not be taken for it.
    const std::string header = "#SINGLE:" + partName + ":";
    PartSearchResult result;
    std::string line;
    bool cut = false;
    while (ReadSearchedLine(chart, header, line, cut)) {
        if (Contains(line, "#CHANGEBPM"))
            TakeList(line, 11, "BPMChange listing...", lists.BpmChanges, lists.BpmChangeIndex, log, searched);
        if (Contains(line, "#FREEZE"))
            TakeList(line, 8, "Freeze listing...", lists.Freezes, lists.FreezeIndex, log, searched);
        if (searched != nullptr) {
            CountHeaders(line, searched->HeaderLines);
            searched->Counted = searched->Counted && !cut;
        }
        std::size_t at = line.find(header);
        if (at != std::string::npos && skip > 0) {
            --skip;
        } else if (at != std::string::npos) {
            log.Append(partName + " part found.");
            result.PartFound = true;
            // The step data may begin on the header line, after the rating's ":".
            std::size_t ratingEnd = line.find(':', at + header.size());
            if (ratingEnd != std::string::npos) result.HeaderRest = line.substr(ratingEnd + 1);
            return result;
        }
        if (chart.AtEnd()) break;
    }
    return result;
}

}  // namespace stepquill
