#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart_source.h"
#include "converter_state.h"

namespace stepquill {

struct ChartInfo {
    std::optional<std::string> TitleCaption;   // title, CR LF, "by ", artist
    std::optional<std::string> TempoCaption;   // "BPM:150"
    std::optional<std::string> OffsetCaption;  // "Offset:-120ms"
    std::vector<std::string> Difficulties;     // "BASIC(5)", in chart order
    bool ReachedEnd = false;
};

// Success is an empty FailureReason.
struct ReadOutcome {
    std::string FailureReason;
    bool Ok() const { return FailureReason.empty(); }
};

// Reads the header values into `state` and fills `info`. After a failure both
// keep what was written into them before it.
ReadOutcome ReadChartInfo(ChartSource& chart, ConverterState& state, ChartInfo& info,
                          std::string_view decimalSeparator = ".");
ReadOutcome ReadChartInfo(std::istream& chart, ConverterState& state, ChartInfo& info,
                          std::string_view decimalSeparator = ".");
ReadOutcome ReadChartInfo(const std::string& path, ConverterState& state, ChartInfo& info,
                          std::string_view decimalSeparator = ".");

// The controls that a reading fills, so the same reading serves any front end.
class ChartInfoControls {
public:
    virtual ~ChartInfoControls() = default;
    virtual std::string PathText() = 0;
    virtual void ClearDifficulties() = 0;
    virtual void AppendDifficulty(const std::string& text) = 0;
    virtual std::string DifficultyText() = 0;
    // Empty when the chooser has no items.
    virtual std::string FirstDifficulty() = 0;
    virtual void SetDifficultyText(const std::string& text) = 0;
    virtual void ClearLog() = 0;
    virtual void SetTitleCaption(const std::string& caption) = 0;
    virtual void SetTempoCaption(const std::string& caption) = 0;
    virtual void SetOffsetCaption(const std::string& caption) = 0;
};

// Clears the chooser and the log, reads the chart named by the path text and
// shows what was read, selecting the first difficulty after a whole reading.
ReadOutcome GetDWIInfo(ChartInfoControls& controls, ConverterState& state,
                       std::string_view decimalSeparator = ".");

}  // namespace stepquill
