// libFuzzer entry: the StepMania reader and whole conversion runs on
// arbitrary bytes written as a .sm or .ssc chart.
#include <cstddef>
#include <cstdint>

#include "broken_promise.h"
#include "fuzz_folder.h"
#include "stepmania_run_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stepquill::AbortIfBroken(stepquill::CheckStepManiaRun({reinterpret_cast<const char*>(data), size},
                                                          stepquill::FuzzFolder().Path()));
    return 0;
}
