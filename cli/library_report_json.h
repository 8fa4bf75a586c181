#pragma once

#include <string>

#include "library_run.h"

namespace stepquill {

// The report of a library's run as one JSON object: the library, the
// summary, each chart converted with its song folder, the charts skipped
// beside it and what became of each part, and each entry refused.
std::string LibraryReportJson(const LibrarySettings& settings, const LibraryReport& report);

}  // namespace stepquill
