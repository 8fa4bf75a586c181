#pragma once

#include <string>
#include <string_view>

namespace stepquill {

// Reads arbitrary bytes as a chart's information and checks what the reading
// promises about its result. Returns what did not hold; empty when all did.
std::string CheckChartInfoReading(std::string_view bytes);

}  // namespace stepquill
