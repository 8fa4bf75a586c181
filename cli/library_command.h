#pragma once

#include "command_line.h"
#include "descriptor_writer.h"

namespace stepquill {

// Converts the library the options name, telling on `errors` what became
// of each chart in library order, a progress line while it runs on a
// terminal, and the summary at the end. The exit status: 0 when every part
// was written, 1 when any part, chart or entry stopped or was refused.
int ConvertLibraryCommand(const Options& options, DescriptorWriter& errors);

}  // namespace stepquill
