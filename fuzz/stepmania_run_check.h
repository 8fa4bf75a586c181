#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace stepquill {

// Reads arbitrary bytes written as a .sm or .ssc chart into `folder` (which
// must be empty) and converts one of its charts, or an arbitrary key, with
// tokens and an output taken from the same bytes. Checks that the file
// reads as its bytes do in memory, that a chart cut short by a failing disk
// reads and converts as a failure, that a stopped run leaves the folder as
// it was, that a written timing file's times never go back and its records
// are the log's, in order, and that a quiet run from memory writes the same
// bytes. Returns what did not hold; empty when all did. The folder is empty
// again when it returns.
std::string CheckStepManiaRun(std::string_view bytes, const std::filesystem::path& folder);

}  // namespace stepquill
