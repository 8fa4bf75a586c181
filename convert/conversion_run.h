#pragma once

#include <cstddef>
#include <string>

#include "chart_format.h"
#include "conversion_request.h"
#include "progress_log.h"

namespace stepquill {

struct RunOutcome {
    bool Ran = false;      // false only for the empty chart path, which does nothing
    bool Written = false;  // the timing file was written whole
    std::string StopReason;
    std::size_t Records = 0;  // lines of the timing file, once written
    std::string OutputPath;   // the timing file the run writes; empty for a request's own output
};

// Converts the part the request names with the format's `reader`. A run
// that stops writes nothing and logs "Conversion stopped: <reason>".
RunOutcome RunConversion(ChartFormatReader& reader, const ConversionRequest& request, ProgressLog& log);

}  // namespace stepquill
