#pragma once

#include "scratch_folder.h"

namespace stepquill {

// The scratch folder of a fuzzer whose runs write files. libFuzzer gives
// its entry no context, so the folder lives as long as the process and is
// made once, not once per input.
inline support::ScratchFolder& FuzzFolder() {
    static support::ScratchFolder folder;
    return folder;
}

}  // namespace stepquill
