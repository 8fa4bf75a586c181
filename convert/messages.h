#pragma once

#include <string>
#include <string_view>

namespace stepquill {

// The reasons a reading or a run gives when it stops, the same for every
// chart format.
inline constexpr const char* kUnreadableChart = "the chart could not be read";
inline constexpr const char* kChartNameTooShort =
    "the chart's name is too short to name its timing file; name it with -o";
inline constexpr const char* kChartTooLargeForMemory = "the chart does not fit in memory";
inline constexpr const char* kTimeBeyondTimingFile = "a time beyond what the timing file can hold";
inline constexpr const char* kChartChangedWhileRead = "the chart changed while it was read";
inline constexpr const char* kOutputWouldReplaceChart = "the output file would replace the chart";
inline constexpr const char* kChartLargerThanAnyChart = "the chart is larger than 1 GiB";
inline constexpr const char* kChartFormatUnknown =
    "the chart's format cannot be told; name it with --chart-format dwi, sm or ssc";

// The log line of a run that starts looking for its part, and the reason
// it gives when the chart has none of that name.
inline std::string SearchingPartLine(std::string_view name) { return "Searching " + std::string(name) + " part."; }
inline std::string PartNotFound(std::string_view name) { return "the " + std::string(name) + " part was not found"; }

}  // namespace stepquill
