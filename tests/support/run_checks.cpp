#include "run_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace stepquill::support {

void ExpectFolderAfterRun(const ScratchFolder& folder, const std::string& chartName,
                          const std::string& chartBytes, const std::string& timingName,
                          const std::optional<std::string>& written, const std::optional<std::string>& old) {
    EXPECT_EQ(ReadBytes(folder / chartName), chartBytes) << "the chart changed";
    const std::optional<std::string>& expected = written ? written : old;
    std::set<std::string> names = {chartName};
    if (expected) {
        names.insert(timingName);
        EXPECT_EQ(ReadBytes(folder / timingName), *expected)
            << (written ? "not exactly the new timing file" : "the old timing file changed");
    }
    EXPECT_EQ(folder.Names(), names);
}

std::string OldTimingFile() { return std::string(10000, 'Z') + "\n"; }

}  // namespace stepquill::support
