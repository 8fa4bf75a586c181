// libFuzzer entry: the StepMania reader and whole conversion runs on
// arbitrary bytes written as a .sm or .ssc chart.
#include <cstddef>
#include <cstdint>

#include "broken_promise.h"
#include "scratch_folder.h"
#include "stepmania_run_check.h"

namespace {

// libFuzzer gives the entry no context, so the folder lives as long as the
// process and is made once, not once per input.
stepquill::support::ScratchFolder& Folder() {
    static stepquill::support::ScratchFolder folder;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stepquill::AbortIfBroken(stepquill::CheckStepManiaRun({reinterpret_cast<const char*>(data), size},
                                                          Folder().Path()));
    return 0;
}
