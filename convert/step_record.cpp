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
    log.Append(token + "@" + time + " beat=" + FormatNumber(state.Beat, decimalSeparator) +
               " bpmc=" + FormatNumber(state.Beat * 4, decimalSeparator));
}

}  // namespace stepquill
