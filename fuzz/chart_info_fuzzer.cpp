// libFuzzer entry: the chart information reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "broken_promise.h"
#include "chart_info_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stepquill::AbortIfBroken(
        stepquill::CheckChartInfoReading({reinterpret_cast<const char*>(data), size}));
    return 0;
}
