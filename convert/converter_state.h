#pragma once

#include <string>

namespace stepquill {

// The values that the chart reading and the conversion share. The window owns
// one for the life of the program; the converter makes a fresh one per chart.
struct ConverterState {
    double Bpm = 0;        // tempo in beats per minute
    double CurrentMs = 0;  // running event time
    double OffsetMs = 0;   // the chart's offset, from #GAP
    double StepMs = 0;     // duration of one step
    std::string Title;
    std::string Artist;
    std::string CurrentChar;  // the step character under examination
    double Beat = 0;          // running position in beats
    std::string PartName;     // difficulty name of the part being converted
    std::string OutputBuffer; // contents of the timing file being built
};

}  // namespace stepquill
