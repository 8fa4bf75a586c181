#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace stepquill {

// Whether a file's name ends as a chart's does (.ssc, .sm, .dwi, in any case).
bool IsChartName(std::string_view name);

// The chart files of one song folder, split into those converted and those
// skipped.
struct SongCharts {
    std::vector<std::string> Converted;
    std::vector<std::string> Skipped;
};

// The chart the game itself loads from a song folder of these files: a
// .ssc if there is one, else an .sm, else a .dwi; of several of one kind,
// the first by name. The folder's other charts are skipped. `everyChart`
// converts all of them, by name. Files that are not charts are left out.
SongCharts ChooseSongCharts(std::vector<std::string> names, bool everyChart);

}  // namespace stepquill
