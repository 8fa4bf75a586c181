#pragma once

#include <string>
#include <string_view>

#include "arrow_mapping.h"
#include "chart_source.h"
#include "converter_state.h"
#include "progress_log.h"
#include "record_sink.h"
#include "timing_file.h"

namespace stepquill {

// Where a run's records go instead of a timing file of its own, such as a
// stream that cannot be replaced whole. Finish is called once the last
// records are taken; a run that stops never calls it.
class TimingOutput : public RecordSink {
public:
    virtual bool Finish(std::string& reason) = 0;
};

struct RunSettings {
    std::string OutputPath;  // empty: TimingFileName of the chart path
    std::string DecimalSeparator = ".";
    // Where the chart's bytes come from; none: the file at the chart path,
    // which names the timing file either way.
    ChartSource* ChartBytes = nullptr;
    // How much of the timing file is gathered before it is written out.
    std::size_t RecordBlockBytes = kTimingFileBlockBytes;
    // False: the temporary timing file is named from the start, as where
    // the file system cannot make one without a name.
    bool UnnamedTemporaryFile = true;
    // Added to the chart's offset, so every time moves by it: the arithmetic
    // of a chart whose #GAP were this much larger.
    double ShiftMs = 0;
    // Not none: the records go there, and OutputPath is not used.
    TimingOutput* Output = nullptr;
    // Which of the parts under the part's name: 0 the first, 1 the second.
    std::size_t PartOccurrence = 0;
};

struct RunOutcome {
    bool Ran = false;      // false only for the empty chart path, which does nothing
    bool Written = false;  // the timing file was written whole
    std::string StopReason;
    std::size_t Records = 0;  // lines of the timing file, once written
    std::string OutputPath;   // the timing file the run writes; empty for a run's own output
};

// What a chart format brings to a run: where its timing file goes by
// default and how the chosen part becomes records. Everything else a run
// does, from opening the chart to putting the timing file in place, is the
// same for every format.
class PartReader {
public:
    virtual ~PartReader() = default;
    // The timing file beside the chart; empty, with the reason, when the
    // chart path names none.
    virtual std::string TimingFileFor(const std::string& chartPath, std::string& reason) const = 0;
    // Finds the part that `difficultyText` names in `chart` and hands its
    // records to `records`, leaving the last of them in OutputBuffer;
    // returns why it stopped, or "" when the part was converted whole. Of
    // the settings it takes the shift, the part's occurrence and the
    // decimal separator.
    virtual std::string ConvertPart(ChartSource& chart, ConverterState& state, const std::string& difficultyText,
                                    const ArrowTokens& tokens, ProgressLog& log, RecordSink& records,
                                    const RunSettings& settings) = 0;
};

// Converts the part named by `difficultyText` with `reader`. A run that
// stops writes nothing and logs "Conversion stopped: <reason>".
// OutputBuffer holds only the records not yet written: none once the file is.
RunOutcome RunConversion(PartReader& reader, ConverterState& state, const std::string& chartPath,
                         const std::string& difficultyText, const ArrowTokens& tokens, ProgressLog& log,
                         const RunSettings& settings = {});

// The chart path with its last three characters replaced by "kvt".
std::string TimingFileName(const std::string& chartPath);

// Converts the part of a DWI chart named by `difficultyText` ("BASIC(5)").
RunOutcome ConvertDWI(ConverterState& state, const std::string& chartPath,
                      const std::string& difficultyText, const ArrowTokens& tokens,
                      ProgressLog& log, const RunSettings& settings = {});

}  // namespace stepquill
