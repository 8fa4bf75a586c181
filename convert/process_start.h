#pragma once

namespace stepquill {

// What both programs do before anything else. Descriptors 0, 1 and 2 that
// were closed when the program was started are opened on /dev/null, so no
// file the program opens later takes one of those numbers: the timing file
// taking descriptor 1 would receive the log. SIGXFSZ is ignored, so that a
// write beyond `ulimit -f` fails with a reason (EFBIG) instead of ending the
// program without a word. False when a descriptor could not be opened; the
// program should then end at once.
bool PrepareProcess();

}  // namespace stepquill
