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

// Whether a display text is the part that `wanted` names, written as the
// list shows it ("MANIAC(9)") or as a bare name ("MANIAC").
bool NamesDifficulty(std::string_view displayText, std::string_view wanted);

// The reading that a conversion needs: it ends as soon as the four header
// tags are found and a part that `wanted` names is listed, so a long chart
// is not read through before it is converted. ReachedEnd stays false then,
// and a failure that only the rest of the chart would give is not met.
ReadOutcome ReadChartInfoFor(const std::string& path, std::string_view wanted, ConverterState& state,
                             ChartInfo& info);

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

// A reading of the chart a path names, as ReadChartInfo reads a DWI chart.
using ChartInfoReading = ReadOutcome (*)(const std::string& path, ConverterState& state, ChartInfo& info,
                                         std::string_view decimalSeparator);

// Clears the chooser and the log, reads the chart named by the path text
// (with `read`, a DWI chart's reading where none is given) and shows what
// was read, selecting the first difficulty after a whole reading.
ReadOutcome GetDWIInfo(ChartInfoControls& controls, ConverterState& state,
                       std::string_view decimalSeparator = ".", ChartInfoReading read = nullptr);

}  // namespace stepquill
