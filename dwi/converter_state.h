#pragma once

#include <string>

namespace stepquill {

// The values a DWI walk works with, from the chart's tempo and offset on.
struct ConverterState {
    double Bpm = 0;        // tempo in beats per minute
    double CurrentMs = 0;  // running event time
    double OffsetMs = 0;   // the chart's offset, from #GAP
    double StepMs = 0;     // duration of one step
    std::string CurrentChar;  // the step character under examination
    double Beat = 0;          // running position in beats
    std::string PartName;     // difficulty name of the part being converted
    std::string OutputBuffer; // contents of the timing file being built
};

}  // namespace stepquill
