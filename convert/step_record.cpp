#include "step_record.h"

#include <cmath>

#include "text.h"

namespace stepquill {

namespace {

// "<token>@<time> beat=<beat> bpmc=<beat × 4>" after `prefix`, with the time
// exactly as the record writes it.
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

}  // namespace

void EmitStepRecord(ConverterState& state, const ArrowTokens& tokens, ProgressLog& log,
                    std::string_view decimalSeparator) {
    EmitStepRecord(state, GetStep2x(state.CurrentChar, tokens), log, decimalSeparator);
}

void EmitStepRecord(ConverterState& state, std::string_view token, ProgressLog& log,
                    std::string_view decimalSeparator) {
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
    log.Append(ArrowLine({}, token, std::string_view(out).substr(timeStart, timeLength), state.Beat,
                         decimalSeparator));
}

void LogArrowWithoutRecord(const ConverterState& state, std::string_view reason, std::string_view token,
                           ProgressLog& log, std::string_view decimalSeparator) {
    if (!log.KeepsLines()) return;
    log.Append(ArrowLine(reason, token, FormatNumber(std::floor(state.CurrentMs)), state.Beat,
                         decimalSeparator));
}

}  // namespace stepquill
