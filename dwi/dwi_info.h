#pragma once

#include <istream>
#include <string_view>

#include "chart_info.h"
#include "chart_source.h"

namespace stepquill {

// Reads a DWI chart's #TITLE, #ARTIST, #BPM and #GAP (the first of each)
// and its #SINGLE parts, starting from `before`: a tag the chart lacks
// stops the reading, which then shows what it had read. With `wanted` the
// reading ends as soon as the four tags are found and a part that `wanted`
// names is listed, so a long chart is not read through before it is
// converted; ReachedEnd stays false then.
ChartReading ReadChartInfo(ChartSource& chart, std::string_view wanted = {}, const ChartInfo& before = {});
ChartReading ReadChartInfo(std::istream& chart, std::string_view wanted = {}, const ChartInfo& before = {});

}  // namespace stepquill
