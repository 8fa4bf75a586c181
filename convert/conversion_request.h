#pragma once

#include <cstddef>
#include <string>

#include "arrow_tokens.h"
#include "chart_info.h"
#include "chart_source.h"
#include "device_file.h"
#include "record_sink.h"
#include "timing_file.h"

namespace stepquill {

class CommitWave;

// Where a run's records go instead of a timing file of its own, such as a
// stream that cannot be replaced whole. Finish is called once the last
// records are taken; a run that stops never calls it.
class TimingOutput : public RecordSink {
public:
    virtual bool Finish(std::string& reason) = 0;
};

// What a conversion is asked to do: which chart, which part, with which
// tokens and shift, into which output.
struct ConversionRequest {
    std::string ChartPath;
    // What the last reading of the chart found: a DWI part's walk starts
    // from its tempo and offset.
    ChartInfo Reading;
    // Where the chart's bytes come from; none: the file at the chart path,
    // which names the timing file either way.
    ChartSource* ChartBytes = nullptr;
    // The part's display text ("MANIAC(9)"), and which of the parts under
    // its name: 0 the first, 1 the second.
    std::string Part;
    std::size_t PartOccurrence = 0;
    ArrowTokens Tokens;
    // Added to the chart's offset, so every time moves by it: the arithmetic
    // of a chart whose offset were this much larger.
    double ShiftMs = 0;
    std::string OutputPath;  // empty: the timing file beside the chart
    // Not none: the records go there, and OutputPath is not used.
    TimingOutput* Output = nullptr;
    std::string DecimalSeparator = ".";
    // How much of the timing file is gathered before it is written out.
    std::size_t RecordBlockBytes = kTimingFileBlockBytes;
    // False: the temporary timing file is named from the start, as where
    // the file system cannot make one without a name.
    bool UnnamedTemporaryFile = true;
    // The kvt timing file, or a device's timeline and how to write it.
    DeviceSettings Device;
    // Not none: a timing file whose records are all written waits there to
    // be put at its name with others, after one sync for them all.
    CommitWave* Commits = nullptr;
};

}  // namespace stepquill
