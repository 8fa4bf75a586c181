#include "step_record.h"

#include <cmath>

#include "text.h"

namespace stepquill {

void EmitStepRecord(ConverterState& state, const ArrowTokens& tokens, ProgressLog& log,
                    std::string_view decimalSeparator) {
    std::string token = GetStep2x(state.CurrentChar, tokens);
    // Times are taken down, never rounded to the nearest millisecond. Whole
    // numbers need no decimal separator, so the file never depends on it.
    std::string time = FormatNumber(std::floor(state.CurrentMs));
    state.OutputBuffer += token;
    state.OutputBuffer += ' ';
    state.OutputBuffer += time;
    state.OutputBuffer += '\n';
    if (!log.KeepsLines()) return;
    std::string line;
    line.reserve(token.size() + time.size() + 48);
    line += token;
    line += '@';
    line += time;
    line += " beat=";
    line += FormatNumber(state.Beat, decimalSeparator);
    line += " bpmc=";
    line += FormatNumber(state.Beat * 4, decimalSeparator);
    log.Append(line);
}

}  // namespace stepquill
