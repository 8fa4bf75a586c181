// libFuzzer entry: the part search and the step walk on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "broken_promise.h"
#include "part_walk_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stepquill::AbortIfBroken(stepquill::CheckPartWalk({reinterpret_cast<const char*>(data), size}));
    return 0;
}
