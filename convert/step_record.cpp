#include "step_record.h"

#include <cmath>
#include <cstdint>

#include "text.h"

namespace stepquill {

void EmitStepRecord(ConverterState& state, const ArrowTokens& tokens, ProgressLog& log,
                    std::string_view decimalSeparator) {
    const std::string token = GetStep2x(state.CurrentChar, tokens);
    std::string& out = state.OutputBuffer;
    // Times are taken down, never rounded to the nearest millisecond. Whole
    // numbers need no decimal separator, so the file never depends on it.
    const double time = std::floor(state.CurrentMs);
    std::string timeText;
    if (std::fabs(time) < 1e15) {
        const std::size_t start = out.size();
        out.resize(start + token.size() + kRecordRoomBesideToken);
        WholeNumberWriter numbers;
        char* const end = WriteRecord(out.data() + start, token, static_cast<std::int64_t>(time), numbers);
        out.resize(static_cast<std::size_t>(end - out.data()));
        timeText.assign(out, start + token.size() + 1, out.size() - start - token.size() - 2);
    } else {
        timeText = FormatNumber(time);
        out += token;
        out += ' ';
        out += timeText;
        out += '\n';
    }
    if (log.KeepsLines()) log.Append(ArrowLine({}, token, timeText, state.Beat, decimalSeparator));
}

std::string ArrowLine(std::string_view prefix, std::string_view token, std::string_view time, double beat,
                      std::string_view decimalSeparator) {
    std::string line;
    line.reserve(prefix.size() + token.size() + time.size() + 48);
    line += prefix;
    line += token;
    line += '@';
    line += time;
    line += " beat=";
    AppendNumber(line, beat, decimalSeparator);
    line += " bpmc=";
    AppendNumber(line, beat * 4, decimalSeparator);
    return line;
}

}  // namespace stepquill
