#pragma once

#include "chart_info.h"

namespace stepquill {

// Whether two readings gave the same in every respect, numbers bit for bit.
bool SameReading(const ChartReading& a, const ChartReading& b);

}  // namespace stepquill
