#pragma once

#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

namespace stepquill {

// Whether a record of the timing text gives a time that is no number at all.
// Tokens are never longer than three characters here, so none of them can
// hold a whole " NaN\n".
inline bool HoldsTimeThatIsNotFinite(std::string_view timingText) {
    for (std::string_view time : {" Infinity\n", " -Infinity\n", " NaN\n"})
        if (timingText.find(time) != std::string_view::npos) return true;
    return false;
}

// Whether a record's time comes before the time of the record above it. The
// time is what follows the last blank of each record; a player meets the
// arrows in the file's order, so the times must never go back.
inline bool TimesGoBack(std::string_view timingText) {
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    while (!timingText.empty()) {
        const std::size_t end = timingText.find('\n');
        const std::string_view record = timingText.substr(0, end);
        const std::string_view time = record.substr(record.rfind(' ') + 1);
        std::int64_t value = 0;
        std::from_chars(time.data(), time.data() + time.size(), value);
        if (value < last) return true;
        last = value;
        if (end == std::string_view::npos) break;
        timingText.remove_prefix(end + 1);
    }
    return false;
}

}  // namespace stepquill
