#pragma once

#include <fstream>
#include <optional>
#include <string>

namespace stepquill {

// Opens a chart for reading, but only a regular file: a folder, a device, a
// FIFO or a socket is refused without a byte being read from it.
std::optional<std::ifstream> OpenChart(const std::string& path);

}  // namespace stepquill
