#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
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

// What a search met on its way through a chart, up to the line after the
// header it found, so that the search for a part further on goes on from
// there with the same lists and log lines as a search from the chart's start.
struct SearchedSoFar {
    std::uint64_t Offset = 0;  // the chart's offset where the search stood
    TimingLists Lists;         // as they were there
    // The log lines of the lists met so far, which a search from the start
    // would log again.
    std::vector<std::string> ListingLines;
    // How many of the lines passed hold each part name's single-play header.
    std::map<std::string, std::size_t, std::less<>> HeaderLines;
    // False once a line too long to hold whole was passed over, whose
    // headers are then not all counted.
    bool Counted = true;
};

// Reads lines up to the single-play header line "#SINGLE:<partName>:",
// collecting the #CHANGEBPM and #FREEZE lists met on the way. `skip` passes
// over that many earlier headers of the name, for a chart that lists two
// parts under one name. With `searched`, what the search meets is added to it.
PartSearchResult FindPart(ChartStream& chart, const std::string& partName, TimingLists& lists,
                          ProgressLog& log, std::size_t skip = 0, SearchedSoFar* searched = nullptr);

}  // namespace stepquill
