#pragma once

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

}  // namespace stepquill
