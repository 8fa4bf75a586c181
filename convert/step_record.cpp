#include "step_record.h"

#include <cmath>

#include "text.h"

namespace stepquill {

void EmitStepRecord(ConverterState& state, const ArrowTokens& tokens, ProgressLog& log,
                    std::string_view decimalSeparator) {
    std::string token = GetStep2x(state.CurrentChar, tokens);
    std::string& out = state.OutputBuffer;
    out += token;
    out += ' ';
    // Times are taken down, never rounded to the nearest millisecond. Whole
    // numbers need no decimal separator, so the file never depends on it.
    const std::size_t timeStart = out.size();
    AppendNumber(out, std::floor(state.CurrentMs));
    const std::size_t timeLength = out.size() - timeStart;
    out += '\n';
    if (!log.KeepsLines()) return;
    std::string line;
    line.reserve(token.size() + timeLength + 48);
    line += token;
    line += '@';
    line.append(out, timeStart, timeLength);
    line += " beat=";
    AppendNumber(line, state.Beat, decimalSeparator);
    line += " bpmc=";
    AppendNumber(line, state.Beat * 4, decimalSeparator);
    log.Append(line);
}

}  // namespace stepquill
