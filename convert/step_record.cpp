#include "step_record.h"

#include "text.h"

namespace stepquill {

std::string ArrowLine(std::string_view prefix, std::string_view token, std::string_view time, double beat,
                      std::string_view decimalSeparator, BeatStyle style) {
    std::string line;
    line.reserve(prefix.size() + token.size() + time.size() + 48);
    line += prefix;
    line += token;
    line += '@';
    line += time;
    line += " beat=";
    AppendNumber(line, beat, decimalSeparator);
    if (style == BeatStyle::BeatOnly) return line;
    line += " bpmc=";
    AppendNumber(line, beat * 4, decimalSeparator);
    return line;
}

}  // namespace stepquill
