#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion_run.h"
#include "folder_listing.h"

namespace stepquill {

// What every run that ran must leave, whatever the chart's format: a log
// begun anew; a written run with no stop logged, a stopped run with its
// reason logged last; and the folder as it was, plus the timing file named
// `target` holding `written` for a written run. "" when it did.
std::string CheckRunEnding(const RunOutcome& outcome, const std::vector<std::string>& lines, Listing before,
                           const Listing& after, const std::string& target, const std::optional<std::string>& written);

}  // namespace stepquill
