#pragma once

#include "chart_info.h"
#include "converter_state.h"

namespace stepquill {

// One reading of a chart's information with everything it gave.
struct Reading {
    ReadOutcome Outcome;
    ChartInfo Info;
    ConverterState State;
};

// Whether two readings gave the same in every respect, numbers bit for bit.
bool SameReading(const Reading& a, const Reading& b);

}  // namespace stepquill
