#include "part_search.h"

#include <string_view>

#include "text.h"

namespace stepquill {

namespace {

// Replaces a timing list by the tag line less its tag and colon, which are
// removed by count wherever the tag stands.
void TakeList(std::string& line, std::size_t tagLength, std::string_view title,
              std::vector<std::string>& list, std::size_t& index, ProgressLog& log) {
    log.Append(std::string(title));
    line = line.size() > tagLength ? line.substr(tagLength) : std::string();
    log.Append(line);
    list = SplitText(line, ',');
    index = 0;
}

}  // namespace

PartSearchResult FindPart(ChartStream& chart, const std::string& partName, TimingLists& lists,
                          ProgressLog& log, std::size_t skip) {
    // Only a single-play header names the part: a title, a double-play part
    // or an SMANIAC part standing first must not be taken for it.
    const std::string header = "#SINGLE:" + partName + ":";
    PartSearchResult result;
    std::string line;
    while (chart.ReadLine(line)) {
        if (Contains(line, "#CHANGEBPM"))
            TakeList(line, 11, "BPMChange listing...", lists.BpmChanges, lists.BpmChangeIndex, log);
        if (Contains(line, "#FREEZE"))
            TakeList(line, 8, "Freeze listing...", lists.Freezes, lists.FreezeIndex, log);
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
