// libFuzzer entry: whole conversion runs on arbitrary bytes written as a chart.
#include <cstddef>
#include <cstdint>

#include "broken_promise.h"
#include "conversion_run_check.h"
#include "scratch_folder.h"

namespace {

// libFuzzer gives the entry no context, so the folder lives as long as the
// process and is made once, not once per input.
stepquill::support::ScratchFolder& Folder() {
    static stepquill::support::ScratchFolder folder;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stepquill::AbortIfBroken(stepquill::CheckConversionRun(
        {reinterpret_cast<const char*>(data), size}, Folder().Path()));
    return 0;
}
