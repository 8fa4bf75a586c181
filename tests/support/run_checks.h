#pragma once

#include <optional>
#include <string>

#include "scratch_folder.h"

namespace stepquill::support {

// What a folder holds after a run on the chart `chartName` in it: the chart
// byte for byte as written, and the timing file `timingName` as the run
// wrote it, as it was before, or absent; nothing else.
void ExpectFolderAfterRun(const ScratchFolder& folder, const std::string& chartName,
                          const std::string& chartBytes, const std::string& timingName,
                          const std::optional<std::string>& written, const std::optional<std::string>& old);

// A timing file longer than anything the tests write, so that a tail of it
// left behind a new file shows.
std::string OldTimingFile();

}  // namespace stepquill::support
