#include "song_charts.h"

#include <algorithm>

namespace stepquill {

namespace {

// Which kind of chart the game prefers: 0 first, -1 for no chart.
int Preference(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return -1;
    std::string ending(name.substr(dot + 1));
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ending == "ssc") return 0;
    if (ending == "sm") return 1;
    if (ending == "dwi") return 2;
    return -1;
}

}  // namespace

bool IsChartName(std::string_view name) { return Preference(name) >= 0; }

SongCharts ChooseSongCharts(std::vector<std::string> names, bool everyChart) {
    names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& name) { return !IsChartName(name); }),
                names.end());
    std::sort(names.begin(), names.end());
    SongCharts charts;
    if (everyChart || names.empty()) {
        charts.Converted = std::move(names);
        return charts;
    }
    // The stable choice: of the most preferred kind, the first by name.
    const auto chosen = std::min_element(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return Preference(a) < Preference(b);
    });
    charts.Converted.push_back(*chosen);
    for (const std::string& name : names)
        if (&name != &*chosen) charts.Skipped.push_back(name);
    return charts;
}

}  // namespace stepquill
