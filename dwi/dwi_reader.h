#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "chart_format.h"
#include "conversion_run.h"
#include "part_search.h"

namespace stepquill {

// The DWI format: a chart's tags and parts, and a part's walk.
class DwiReader final : public ChartFormatReader {
public:
    ChartReading ReadInfo(ChartSource& chart, std::string_view wanted, const ChartInfo& before) override;
    // TimingFileName of the chart path.
    std::string TimingFileFor(const std::string& chartPath, std::string& reason) const override;
    Notation NotesNotation() const override;
    void StartChart() override { searched_.reset(); }
    // Each opening of the chart searches its parts from its own start.
    std::unique_ptr<ChartFormatReader> Sibling() const override { return std::make_unique<DwiReader>(); }
    // The walk starts from the tempo and offset of the request's reading.
    // The search for a part goes on from where the last one found its
    // part, when the part lies further on.
    std::string ConvertPart(ChartSource& chart, const ConversionRequest& request, NoteWriter& notes,
                            ProgressLog& log) override;

private:
    std::optional<SearchedSoFar> searched_;
};

// The chart path with its last three characters replaced by "kvt".
std::string TimingFileName(const std::string& chartPath);

// Converts the part of a DWI chart that the request names ("BASIC(5)").
RunOutcome ConvertDWI(const ConversionRequest& request, ProgressLog& log);

}  // namespace stepquill
