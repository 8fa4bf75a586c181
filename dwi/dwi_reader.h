#pragma once

#include <string>
#include <string_view>

#include "chart_format.h"
#include "conversion_run.h"

namespace stepquill {

// The DWI format: a chart's tags and parts, and a part's walk.
class DwiReader final : public ChartFormatReader {
public:
    ChartReading ReadInfo(ChartSource& chart, std::string_view wanted, const ChartInfo& before) override;
    // TimingFileName of the chart path.
    std::string TimingFileFor(const std::string& chartPath, std::string& reason) const override;
    Notation NotesNotation() const override;
    // The walk starts from the tempo and offset of the request's reading.
    std::string ConvertPart(ChartSource& chart, const ConversionRequest& request, NoteWriter& notes,
                            ProgressLog& log) override;
};

// The chart path with its last three characters replaced by "kvt".
std::string TimingFileName(const std::string& chartPath);

// Converts the part of a DWI chart that the request names ("BASIC(5)").
RunOutcome ConvertDWI(const ConversionRequest& request, ProgressLog& log);

}  // namespace stepquill
