#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace stepquill {

// Converts arbitrary bytes written as a chart into `folder` (which must be
// empty), with an arbitrary difficulty, tokens, tempo and output name taken
// from the same bytes, and checks what every run promises: a stopped run
// leaves the folder as it was, a written timing file holds exactly the
// run's timing text, no temporary file stays behind, and the same run
// repeated gives the same result. Returns what did not hold; empty when all
// did. The folder is empty again when it returns.
std::string CheckConversionRun(std::string_view bytes, const std::filesystem::path& folder);

}  // namespace stepquill
