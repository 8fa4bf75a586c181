#pragma once

#include <string>

#include "chart_info.h"
#include "text_decoder.h"

namespace stepquill {

// The chart's information as one JSON object, on one line:
// {"title", "artist", "bpm", "offset_ms", "difficulties": [{"text", "name",
// "rating"}]}, texts in UTF-8. A rating that is not a whole number is null;
// the display text keeps it as the chart writes it.
std::string ChartJson(const ChartInfo& info, TextDecoder& decoder);

}  // namespace stepquill
