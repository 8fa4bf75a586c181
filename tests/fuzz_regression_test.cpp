// The inputs kept in tests/data/fuzz, and a few made to be nasty, replayed
// through the checks that the fuzzers make, so that no compiler with
// libFuzzer is needed to keep them passing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "chart_info_check.h"
#include "conversion_run_check.h"
#include "part_walk_check.h"
#include "scratch_folder.h"
#include "stepmania_run_check.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using Check = std::function<std::string(const std::string&)>;
using support::ReadBytes;

std::vector<fs::path> KeptInputs(const std::string& target) {
    std::vector<fs::path> inputs;
    const fs::path folder = fs::path(STEPQUILL_SOURCE_DIR) / "tests" / "data" / "fuzz" / target;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

void ReplayKept(const std::string& target, const Check& check) {
    const auto inputs = KeptInputs(target);
    ASSERT_FALSE(inputs.empty()) << "no inputs kept for " << target;
    for (const auto& input : inputs) EXPECT_EQ(check(ReadBytes(input)), "") << input;
}

TEST(FuzzRegression, KeptInputsHold) {
    ReplayKept("chart_info", CheckChartInfoReading);
    ReplayKept("part_walk", CheckPartWalk);
    const support::ScratchFolder folder;
    ReplayKept("conversion_run",
               [&](const std::string& bytes) { return CheckConversionRun(bytes, folder.Path()); });
    ReplayKept("stepmania_run",
               [&](const std::string& bytes) { return CheckStepManiaRun(bytes, folder.Path()); });
}

// Charts shaped to reach the odd corners: long lines, cut-off marks, a
// byte-order mark alone, numbers out of a double's range.
std::vector<std::string> NastyCharts() {
    const std::string header = "#TITLE:T;\r\n#ARTIST:A;\r\n#BPM:120;\r\n#GAP:0;\r\n";
    return {
        "",
        "\xEF",
        "\xEF\xBB",
        "\xEF\xBB\xBF",
        "\xEF\xBB#TITLE:T;",
        "\"#TITLE:unclosed",
        header + "#SINGLE:BASIC:5:\r\n" + std::string(1 << 16, '8') + "\r\n;\r\n",
        header + "#TITLE:" + std::string(1 << 20, 'x') + "\r\n",
        header + "#CHANGEBPM:" + std::string(1 << 16, ',') + "\r\n#SINGLE:BASIC:5:\r\n8888\r\n;\r\n",
        header + "#SINGLE:BASIC:5:\r\n<" + std::string(1 << 16, '8') + "\r\n!\r\n(\r\n;\r\n",
        "#TITLE:T;\n#ARTIST:A;\n#BPM:1E400;\n#GAP:-1D400;\n#SINGLE:BASIC:5:\nE8\n;\n",
        "#TITLE:T;\n#ARTIST:A;\n#BPM:1e-320;\n#GAP:0;\n#SINGLE:BASIC:5:\n(8\n;\n",
        "#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#CHANGEBPM:0=0;\n#FREEZE:0=1E400;\n"
        "#SINGLE:BASIC:5:\n88(88\n;\n",
    };
}

TEST(FuzzRegression, NastyChartsHoldEverywhere) {
    const support::ScratchFolder folder;
    // The checks take their values from the input's last bytes; zero bytes
    // choose the plain ones (the first listed part, the usual tokens, the
    // chart's own tempo), so every chart is also converted as a user would.
    const std::string plainValues(12, '\0');
    for (const auto& chart : NastyCharts()) {
        for (const std::string& input : {chart, chart + plainValues}) {
            SCOPED_TRACE(input.substr(0, 60));
            EXPECT_EQ(CheckChartInfoReading(input), "");
            EXPECT_EQ(CheckPartWalk(input), "");
            EXPECT_EQ(CheckConversionRun(input, folder.Path()), "");
        }
    }
}

}  // namespace
}  // namespace stepquill
