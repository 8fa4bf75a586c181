// Every chart of the shared collection is read, and every part it lists converts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "chart_info.h"
#include "conversion_run.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> RealCharts() {
    std::vector<fs::path> charts;
    const fs::path dir = fs::path(STEPQUILL_SOURCE_DIR) / ".." / "shared" / "charts" / "real";
    std::error_code error;
    if (!fs::is_directory(dir, error)) return charts;
    for (const auto& entry : fs::directory_iterator(dir, error))
        if (entry.is_regular_file() && entry.path().extension() == ".dwi") charts.push_back(entry.path());
    std::sort(charts.begin(), charts.end());
    return charts;
}

TEST(RealCharts, EveryListedPartConverts) {
    const auto charts = RealCharts();
    if (charts.empty()) GTEST_SKIP() << "no real charts found";

    const fs::path out = fs::temp_directory_path() / ("stepquill-real-" + std::to_string(::getpid()));
    fs::remove_all(out);
    fs::create_directories(out);
    int converted = 0;
    for (const auto& chart : charts) {
        SCOPED_TRACE(chart.filename().string());
        const std::string bytes = ReadBytes(chart);
        ConverterState state;
        ChartInfo info;
        const ReadOutcome reading = ReadChartInfo(chart.string(), state, info);
        if (!reading.Ok()) {
            // A reading may fail on an odd chart; what it listed is still converted.
            std::cout << "[ note ] " << chart.filename().string() << ": " << reading.FailureReason << "\n";
        }
        for (std::size_t i = 0; i < info.Difficulties.size(); ++i) {
            const std::string& difficulty = info.Difficulties[i];
            SCOPED_TRACE(difficulty);
            const fs::path target = out / (chart.stem().string() + "-" + std::to_string(i) + ".kvt");
            RunSettings settings;
            settings.OutputPath = target.string();
            VectorLog log;
            const RunOutcome outcome = ConvertDWI(state, chart.string(), difficulty, ArrowTokens{}, log, settings);
            EXPECT_TRUE(outcome.Ran);
            EXPECT_TRUE(outcome.Written) << outcome.StopReason;
            const std::string written = ReadBytes(target);
            EXPECT_TRUE(state.OutputBuffer.empty());
            ASSERT_GE(log.Lines.size(), 3u);
            EXPECT_EQ(log.Lines[0], "Cleared file buffer");
            // Every record is a token, a blank, a whole number and a line feed.
            EXPECT_GT(std::count(written.begin(), written.end(), '\n'), 0);
            EXPECT_EQ(written.back(), '\n');
            EXPECT_EQ(written.find('\r'), std::string::npos);
            ++converted;
        }
        EXPECT_EQ(ReadBytes(chart), bytes) << "the chart was modified";
    }
    fs::remove_all(out);
    std::cout << "[ note ] " << charts.size() << " charts, " << converted << " parts converted\n";
}

// Records that hold the chart's own timing: a tempo change met on the
// beat after a run of 24ths, one inside a step, and a stop after two freeze
// ends that are no longer presses.
TEST(RealCharts, TimesAsTheChartMeansThem) {
    const fs::path dir = fs::path(STEPQUILL_SOURCE_DIR) / ".." / "shared" / "charts" / "real";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no real charts found";
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
        ConverterState state;
        ChartInfo info;
        const std::string chart = (dir / c.chart).string();
        ReadChartInfo(chart, state, info);
        RunSettings settings;
        settings.OutputPath = out.string();
        VectorLog log;
        ASSERT_TRUE(ConvertDWI(state, chart, c.difficulty, ArrowTokens{}, log, settings).Written) << c.chart;
        std::istringstream records(ReadBytes(out));
        std::string record;
        for (std::size_t i = 0; i < c.record; ++i) std::getline(records, record);
        EXPECT_EQ(record, c.expected) << c.chart << " " << c.difficulty;
    }
    fs::remove(out);
}

}  // namespace
}  // namespace stepquill
