#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chart_format.h"
#include "conversion_request.h"
#include "progress_log.h"

namespace stepquill {

struct RunOutcome {
    bool Ran = false;      // false only for the empty chart path, which does nothing
    bool Written = false;  // the timing file was written whole
    std::string StopReason;
    // The stop came from the timing file: it could not be made, written or
    // put in place.
    bool OutputFailed = false;
    std::size_t Records = 0;  // lines of the timing file, once written
    std::string OutputPath;   // the timing file the run writes; empty for a request's own output
    // Written, but waiting under this number in the request's commit wave,
    // whose outcome for it says whether it reached its name.
    std::optional<std::size_t> Waiting;
};

// Converts the part the request names with the format's `reader`. A run
// that stops writes nothing and logs "Conversion stopped: <reason>". An
// output path that names a folder puts the timing file the chart's name
// gives into it. A chart file that is not the one the request's reading
// read, or not as it was then, is read again first, and the log says so:
// the run never mixes two versions of a chart.
RunOutcome RunConversion(ChartFormatReader& reader, const ConversionRequest& request, ProgressLog& log);

// One of the parts a run of several converts, and its own timing file.
struct PartTarget {
    std::string Part;  // as ConversionRequest::Part
    std::size_t Occurrence = 0;
    std::string OutputPath;
    std::string ShownPart;  // the part in UTF-8, for a device file's description
};

// Converts each part from one opening of the chart, as RunConversion would
// convert it with the request's other settings: the same files and the
// same log, a part's log cleared before it. The chart is read about once
// in all, whatever the number of parts. `done` hears each part's outcome,
// in the parts' order, on the caller's thread. Where nobody reads the log
// and the reader has siblings, the parts are converted on a thread a core
// (each thread with its own opening of the chart, reading it about once),
// and an outcome may be heard after later parts started; otherwise each is
// heard before the next part starts.
void RunConversions(ChartFormatReader& reader, const ConversionRequest& request, const std::vector<PartTarget>& parts,
                    ProgressLog& log, const std::function<void(std::size_t, const RunOutcome&)>& done);

}  // namespace stepquill
