#pragma once

#include <string>

#include "arrow_mapping.h"
#include "chart_source.h"
#include "converter_state.h"
#include "progress_log.h"
#include "timing_file.h"

namespace stepquill {

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
};

struct RunOutcome {
    bool Ran = false;      // false only for the empty chart path, which does nothing
    bool Written = false;  // the timing file was written whole
    std::string StopReason;
};

// The chart path with its last three characters replaced by "kvt".
std::string TimingFileName(const std::string& chartPath);

// Converts the part named by `difficultyText` ("BASIC(5)") into a timing file.
// A run that stops writes nothing and logs "Conversion stopped: <reason>".
// OutputBuffer holds only the records not yet written: none once the file is.
RunOutcome ConvertDWI(ConverterState& state, const std::string& chartPath,
                      const std::string& difficultyText, const ArrowTokens& tokens,
                      ProgressLog& log, const RunSettings& settings = {});

}  // namespace stepquill
