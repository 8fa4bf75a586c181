// stepquill-convert: prints a chart's information, or converts one of its
// single-play parts into a kvt timing file, with the same core as the window.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>

#include "arrow_mapping.h"
#include "chart_formats.h"
#include "process_start.h"
#include "progress_log.h"
#include "text.h"

namespace {

using namespace stepquill;

class StreamLog final : public ProgressLog {
public:
    explicit StreamLog(bool quiet) : quiet_(quiet) {}
    void Clear() override {}
    void Append(const std::string& line) override {
        if (!quiet_) std::cout << line << '\n';
    }
    bool KeepsLines() const override { return !quiet_; }

private:
    bool quiet_;
};

void PrintInfo(const ConverterState& state, const ChartInfo& info) {
    std::cout << "Title: " << state.Title << "\nArtist: " << state.Artist
              << "\nBPM: " << FormatNumber(state.Bpm) << "\nOffset: " << FormatNumber(state.OffsetMs)
              << "ms\nDifficulties:\n";
    for (const auto& difficulty : info.Difficulties) std::cout << "  " << difficulty << '\n';
}

// A display text such as "MANIAC(9)", or a bare name: the first part listed
// under that name.
std::string FindDifficulty(const ChartInfo& info, const std::string& wanted) {
    for (const auto& difficulty : info.Difficulties)
        if (NamesDifficulty(difficulty, wanted)) return difficulty;
    return {};
}

int Fail(const std::string& reason) {
    std::cerr << "stepquill-convert: " << reason << '\n';
    return EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    if (!PrepareProcess()) return EXIT_FAILURE;
    // Nothing here writes through C stdio, and a log of one line per arrow
    // is written several times faster without the synchronisation.
    std::ios::sync_with_stdio(false);
    CLI::App app{"Reads a DWI, .sm or .ssc step chart and converts one of its single-play parts into a kvt timing file.",
                 "stepquill-convert"};
    app.set_version_flag("--version", std::string("stepquill-convert ") + STEPQUILL_VERSION);

    std::string chartPath;
    std::string difficulty;
    std::string outputPath;
    bool quiet = false;
    ArrowTokens tokens;
    app.add_option("CHART", chartPath, "the chart: DWI, or StepMania .sm or .ssc")->required();
    CLI::Option* difficultyOption = app.add_option(
        "DIFFICULTY", difficulty, "a difficulty as listed, such as MANIAC(9) or Hard(9), or a bare name such as MANIAC");
    const std::vector<std::string> choices = {"A", "B", "X", "Y", "L", "R"};
    auto token = [&](const char* name, std::string& field, const char* what) {
        app.add_option(name, field, what)->check(CLI::IsMember(choices))->capture_default_str();
    };
    token("--up-left", tokens.UpLeft, "token for up-left arrows (7)");
    token("--up-right", tokens.UpRight, "token for up-right arrows (9)");
    token("--down-left", tokens.DownLeft, "token for down-left arrows (1)");
    token("--down-right", tokens.DownRight, "token for down-right arrows (3)");
    token("--up-down", tokens.UpDown, "token for up-and-down jumps (A)");
    token("--left-right", tokens.LeftRight, "token for left-and-right jumps (B)");
    app.add_option("-o,--output", outputPath, "the timing file (default: beside the chart, ending in kvt)");
    app.add_flag("-q,--quiet", quiet, "do not print the progress log");

    // A usage error prints the reason and the whole usage text.
    app.failure_message(CLI::FailureMessage::help);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return app.exit(done);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return 2;
    }

    ConverterState state;
    ChartInfo info;
    if (difficultyOption->count() == 0) {
        const ReadOutcome reading = ReadAnyChartInfo(chartPath, state, info);
        PrintInfo(state, info);
        return reading.Ok() ? EXIT_SUCCESS : Fail(reading.FailureReason);
    }
    // A conversion reads the chart only as far as the part it converts.
    const ReadOutcome reading = ReadAnyChartInfoFor(chartPath, difficulty, state, info);
    if (!reading.Ok()) return Fail(reading.FailureReason);

    std::string displayText = FindDifficulty(info, difficulty);
    if (displayText.empty()) {
        std::string listed;
        for (const auto& d : info.Difficulties) listed += " " + d;
        return Fail("the chart lists no difficulty " + difficulty + " (it lists:" +
                    (listed.empty() ? std::string(" none") : listed) + ")");
    }

    StreamLog log(quiet);
    RunSettings settings;
    settings.OutputPath = outputPath;
    RunOutcome run = ConvertChart(state, chartPath, displayText, tokens, log, settings);
    std::cout.flush();
    return run.Written ? EXIT_SUCCESS : Fail(run.StopReason);
}
