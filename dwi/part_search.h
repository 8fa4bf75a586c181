#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "chart_stream.h"
#include "progress_log.h"

namespace stepquill {

// A run's tempo changes and stops, as the chart writes them ("64.000=150.000"),
// with the index of the next entry of each. Positions are in quarter beats.
struct TimingLists {
    std::vector<std::string> BpmChanges;
    std::size_t BpmChangeIndex = 0;
    std::vector<std::string> Freezes;
    std::size_t FreezeIndex = 0;
};

struct PartSearchResult {
    bool PartFound = false;
    // Step data written on the header line after the rating's ":".
    std::string HeaderRest;
};

// Reads lines up to the single-play header line "#SINGLE:<partName>:",
// collecting the #CHANGEBPM and #FREEZE lists met on the way. `skip` passes
// over that many earlier headers of the name, for a chart that lists two
// parts under one name.
PartSearchResult FindPart(ChartStream& chart, const std::string& partName, TimingLists& lists,
                          ProgressLog& log, std::size_t skip = 0);

}  // namespace stepquill
