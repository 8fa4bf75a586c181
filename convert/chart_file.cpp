#include "chart_file.h"

#include <sys/stat.h>

namespace stepquill {

std::optional<std::ifstream> OpenChart(const std::string& path) {
    if (path.empty()) return std::nullopt;
    // Test the kind of file before opening it: opening a FIFO for reading
    // would block until a writer came along.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::ifstream chart(path, std::ios::binary);
    if (!chart.is_open()) return std::nullopt;
    // A file replaced by something else between the test and the opening is
    // refused too.
    struct stat again {};
    if (::stat(path.c_str(), &again) != 0 || !S_ISREG(again.st_mode)) return std::nullopt;
    return chart;
}

}  // namespace stepquill
