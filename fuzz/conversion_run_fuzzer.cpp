// libFuzzer entry: whole conversion runs on arbitrary bytes written as a chart.
#include <cstddef>
#include <cstdint>

#include "broken_promise.h"
#include "conversion_run_check.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stepquill::AbortIfBroken(stepquill::CheckConversionRun(
        {reinterpret_cast<const char*>(data), size}, stepquill::FuzzFolder().Path()));
    return 0;
}
