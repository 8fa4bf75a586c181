// The generated charts: the same bytes every time, the density the measures
// rely on, and a MANIAC part that converts into as many records as counted.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "chart_info.h"
#include "chart_formats.h"
#include "chart_maker.h"
#include "conversion_run.h"
#include "dwi_reader.h"
#include "sm_chart_maker.h"

namespace stepquill::bench {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(ChartMaker, GivesTheSameBytesForTheSamePlan) {
    ChartSummary first;
    const std::string text = ChartText({300'000, 0}, &first);
    EXPECT_EQ(ChartText({300'000, 0}), text);
    EXPECT_EQ(first.Bytes, text.size());
    EXPECT_GE(first.StepBytes, 300'000u);
    EXPECT_LT(first.StepBytes, 300'100u);
    // About one arrow for every two bytes of step data.
    const double density = static_cast<double>(first.Arrows) / static_cast<double>(first.StepBytes);
    EXPECT_GT(density, 0.4);
    EXPECT_LT(density, 0.6);
    // One measure a line, none longer than people write them.
    std::size_t longest = 0;
    for (std::size_t start = text.find("#SINGLE:MANIAC"), end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        longest = std::max(longest, end - start);
    }
    EXPECT_LE(longest, 64u);
    EXPECT_EQ(text.substr(text.size() - 3), ";\r\n");
    for (const char* mark : {"(", "[", "{", "<", "!"}) EXPECT_GT(Count(text, mark), 10u) << mark;

    ChartSummary limited;
    ChartText({0, 5000}, &limited);
    EXPECT_GE(limited.Arrows, 5000u);
    EXPECT_LT(limited.Arrows, 5040u);
}

TEST(ChartMaker, ConvertsIntoTheCountedRecordsWithEveryTempoChangeAndStop) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("chart-maker-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string chart = (dir / "chart.dwi").string();
    ChartSummary summary;
    {
        std::ofstream out(chart, std::ios::binary);
        summary = WriteChart(out, {200'000, 0});
    }
    ConversionRequest request;
    request.ChartPath = chart;
    request.Part = "MANIAC(9)";
    const ChartReading reading = ReadChart(chart);
    ASSERT_TRUE(reading.Ok()) << reading.StopReason;
    request.Reading = reading.Info;
    EXPECT_EQ(DisplayTexts(reading.Info), (std::vector<std::string>{"BASIC(4)", "MANIAC(9)"}));

    VectorLog log;
    const RunOutcome run = ConvertDWI(request, log);
    EXPECT_TRUE(run.Written) << run.StopReason;
    // Every arrow is a record or, after a hold, the end of a freeze.
    std::size_t tempoChanges = 0;
    std::size_t stops = 0;
    std::size_t freezeEnds = 0;
    for (const auto& line : log.Lines) {
        tempoChanges += line.rfind("BPM Change to ", 0) == 0;
        freezeEnds += line.rfind("Freeze end: ", 0) == 0;
        stops += line.rfind("Freeze ", 0) == 0 && line != "Freeze listing..." && line.rfind("Freeze end: ", 0) != 0;
    }
    std::ifstream written(dir / "chart.kvt", std::ios::binary);
    const std::string records{std::istreambuf_iterator<char>(written), {}};
    EXPECT_EQ(Count(records, "\n") + freezeEnds, summary.Arrows);
    EXPECT_GT(freezeEnds, 0u);
    EXPECT_EQ(tempoChanges, 7u);
    EXPECT_EQ(stops, 6u);
    std::filesystem::remove_all(dir);
}

// The StepMania song: the same bytes for the same plan, five charts listed,
// and a Challenge chart whose every head has its tail, so that its records
// are the counted ones, with every tempo change and stop passed.
TEST(ChartMaker, MakesAStepManiaSongThatConvertsIntoTheCountedRecords) {
    SmChartSummary summary;
    const std::string text = SmChartText({200'000, 0}, &summary);
    EXPECT_EQ(SmChartText({200'000, 0}), text);
    EXPECT_EQ(summary.Bytes, text.size());
    EXPECT_GE(summary.NoteBytes, 200'000u);
    EXPECT_LT(summary.NoteBytes, 201'000u);
    for (const char* mark : {"\r\n1", "\r\n2", "\r\n4", "3\r\n", "M"}) EXPECT_GT(Count(text, mark), 10u) << mark;

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("sm-chart-maker-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string chart = (dir / "song.sm").string();
    std::ofstream(chart, std::ios::binary) << text;
    ConversionRequest request;
    request.ChartPath = chart;
    request.Part = std::string(kSmConvertedChart);
    const ChartReading reading = ReadChart(chart);
    ASSERT_TRUE(reading.Ok()) << reading.StopReason;
    request.Reading = reading.Info;
    EXPECT_EQ(DisplayTexts(reading.Info), (std::vector<std::string>{"Beginner(2)", "Easy(4)", "Medium(7)",
                                                                     "Hard(10)", "Challenge(13)"}));
    VectorLog log;
    const RunOutcome run = ConvertChart(request, log);
    EXPECT_TRUE(run.Written) << run.StopReason;
    std::size_t tempoChanges = 0, stops = 0, holdEnds = 0, openHeads = 0;
    for (const auto& line : log.Lines) {
        tempoChanges += line.rfind("BPM Change to ", 0) == 0;
        stops += line.rfind("Stop ", 0) == 0;
        holdEnds += line.rfind("Hold end: ", 0) == 0;
        openHeads += line.rfind("Hold without its end: ", 0) == 0;
    }
    std::ifstream written(dir / "song.kvt", std::ios::binary);
    EXPECT_EQ(Count(std::string(std::istreambuf_iterator<char>(written), {}), "\n"), summary.Records);
    EXPECT_EQ(tempoChanges, 8u);  // the first tempo, at beat 0, is passed too
    EXPECT_EQ(stops, 6u);
    EXPECT_GT(holdEnds, 10u);
    EXPECT_EQ(openHeads, 0u);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace stepquill::bench
