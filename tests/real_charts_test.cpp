// Every chart of the shared collection is read, and every single-play part
// that its manifest lists converts into well-formed records.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "chart_formats.h"
#include "conversion_requests.h"
#include "dwi_reader.h"
#include "scratch_folder.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using support::ReadBytes;

// The collection sits beside the project; without it these tests prove
// nothing, so its absence fails them rather than skipping them.
fs::path ChartsFolder() {
    const fs::path dir = fs::path(STEPQUILL_SOURCE_DIR) / ".." / "shared" / "charts" / "real";
    EXPECT_TRUE(fs::is_directory(dir)) << "the shared charts are missing: " << dir;
    return dir;
}

// Each chart's single-play parts as the manifest's table lists them
// ("SINGLE BASIC 5" in the parts column), in the chooser's form "BASIC(5)".
std::map<std::string, std::vector<std::string>> ListedParts(const fs::path& dir) {
    std::map<std::string, std::vector<std::string>> parts;
    std::istringstream manifest(ReadBytes(dir / "MANIFEST.md"));
    const std::regex row(R"(^\| `([^`]+\.dwi)` \|(?:[^|]*\|){5} ([^|]*) \|)");
    const std::regex single(R"(SINGLE (\S+) ([0-9]+))");
    for (std::string line; std::getline(manifest, line);) {
        std::smatch cells;
        if (!std::regex_search(line, cells, row)) continue;
        auto& listed = parts[cells[1]];
        const std::string column = cells[2];
        for (std::sregex_iterator it(column.begin(), column.end(), single), end; it != end; ++it)
            listed.push_back((*it)[1].str() + "(" + (*it)[2].str() + ")");
    }
    return parts;
}

TEST(RealCharts, EveryListedPartConverts) {
    const fs::path dir = ChartsFolder();
    const auto listed = ListedParts(dir);
    ASSERT_EQ(listed.size(), 29u) << "the manifest lists 29 charts";
    const fs::path out = fs::temp_directory_path() / ("stepquill-real-" + std::to_string(::getpid()) + ".kvt");
    const std::regex record("[ABXYLR] -?[0-9]+");
    std::size_t expected = 0, converted = 0;
    for (const auto& [name, parts] : listed) {
        SCOPED_TRACE(name);
        const std::string chart = (dir / name).string();
        const std::string bytes = ReadBytes(chart);
        const ChartReading reading = ReadChart(chart);
        EXPECT_EQ(reading.StopReason, "");
        EXPECT_EQ(DisplayTexts(reading.Info), parts);
        expected += parts.size();
        for (const std::string& difficulty : DisplayTexts(reading.Info)) {
            SCOPED_TRACE(difficulty);
            ConversionRequest settings;
            settings.OutputPath = out.string();
            VectorLog log;
            const RunOutcome outcome = ConvertDWI(support::Asking(chart, difficulty, reading.Info, settings), log);
            ASSERT_TRUE(outcome.Written) << outcome.StopReason;
            const std::string written = ReadBytes(out);
            ASSERT_FALSE(written.empty());
            ASSERT_EQ(written.back(), '\n');
            std::istringstream records(written);
            for (std::string line; std::getline(records, line);)
                ASSERT_TRUE(std::regex_match(line, record)) << "record \"" << line << "\"";
            ++converted;
        }
        EXPECT_EQ(ReadBytes(chart), bytes) << "the chart was modified";
    }
    fs::remove(out);
    EXPECT_EQ(expected, 105u) << "the manifest lists 105 single-play parts";
    EXPECT_EQ(converted, expected);
}

// Records that hold the chart's own timing: a tempo change met on the
// beat after a run of 24ths, one inside a step, and a stop after two freeze
// ends that are no longer presses.
TEST(RealCharts, TimesAsTheChartMeansThem) {
    const fs::path dir = ChartsFolder();
    const struct {
        const char* chart;
        const char* difficulty;
        std::size_t record;  // counted from 1
        const char* expected;
    } cases[] = {
        {"sderosiaux-sm99__arcade.dwi", "MANIAC(11)", 385, "Y 78184"},
        {"sderosiaux-sm99__arcade.dwi", "SMANIAC(13)", 487, "Y 64678"},
        {"barrysir-smparse__Bone_Crusher.dwi", "SMANIAC(15)", 415, "A 58020"},
    };
    const fs::path out = fs::temp_directory_path() / ("stepquill-timing-" + std::to_string(::getpid()) + ".kvt");
    for (const auto& c : cases) {
        const std::string chart = (dir / c.chart).string();
        ConversionRequest settings;
        settings.OutputPath = out.string();
        VectorLog log;
        ASSERT_TRUE(ConvertDWI(support::Asking(chart, c.difficulty, ReadChart(chart).Info, settings), log).Written)
            << c.chart;
        std::istringstream records(ReadBytes(out));
        std::string record;
        for (std::size_t i = 0; i < c.record; ++i) std::getline(records, record);
        EXPECT_EQ(record, c.expected) << c.chart << " " << c.difficulty;
    }
    fs::remove(out);
}

}  // namespace
}  // namespace stepquill
