// stepquill-convert: prints a chart's information, or converts one of its
// single-play parts, or all of them, into kvt timing files, with the same
// core as the window.
#include <CLI/CLI.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "arrow_mapping.h"
#include "chart_encoding.h"
#include "chart_input.h"
#include "chart_json.h"
#include "descriptor_writer.h"
#include "part_choice.h"
#include "process_start.h"
#include "progress_log.h"
#include "text.h"

namespace {

using namespace stepquill;

constexpr int kUsageError = 2;

struct Options {
    std::string Chart;
    std::string Difficulty;
    bool DifficultyGiven = false;
    std::string Output;
    bool OutputGiven = false;
    bool Quiet = false;
    bool All = false;
    bool Json = false;
    double ShiftMs = 0;
    std::string Encoding;
    ArrowTokens Tokens;
};

// Standard output and standard error, each written to its descriptor, so
// that a failed write of standard output is seen and ends the run with 1.
struct Streams {
    DescriptorWriter Out{STDOUT_FILENO};
    DescriptorWriter Errors{STDERR_FILENO};
    bool OutFailureTold = false;

    int Fail(const std::string& reason) {
        Errors.Write("stepquill-convert: " + reason + "\n");
        Errors.Flush();
        return EXIT_FAILURE;
    }
    std::string OutFailure() const { return "cannot write to standard output (" + Out.Failure() + ")"; }
    // The end of every run that got past its command line.
    int Finish(int status) {
        if (Out.Close()) return status;
        if (!OutFailureTold) Fail(OutFailure());
        return EXIT_FAILURE;
    }
};

// The progress log, one line each, in UTF-8.
class StreamLog final : public ProgressLog {
public:
    StreamLog(DescriptorWriter& to, TextDecoder& decoder, bool quiet) : to_(to), decoder_(decoder), quiet_(quiet) {}
    void Clear() override {}
    void Append(const std::string& line) override {
        if (quiet_) return;
        to_.Write(decoder_.ToUtf8(line));
        to_.Write("\n");
    }
    bool KeepsLines() const override { return !quiet_; }

private:
    DescriptorWriter& to_;
    TextDecoder& decoder_;
    bool quiet_;
};

// The timing file written straight to standard output, where the shell put
// it (appended to, when it was opened so): a stream cannot be replaced whole.
class StandardOutputRecords final : public TimingOutput {
public:
    explicit StandardOutputRecords(Streams& streams) : streams_(streams) {}
    std::size_t BlockBytes() const override { return kTimingFileBlockBytes; }
    bool Take(std::string_view records, std::string& reason) override {
        streams_.Out.Write(records);
        return Finish(reason);
    }
    bool Finish(std::string& reason) override {
        if (streams_.Out.Flush()) return true;
        reason = streams_.OutFailure();
        streams_.OutFailureTold = true;  // as the run's reason
        return false;
    }

private:
    Streams& streams_;
};

// "wrote 120 records to song.kvt", naming the file the run wrote, unless
// quiet. A run with no file of its own wrote to standard output.
void TellWritten(Streams& streams, const Options& options, const RunOutcome& run) {
    const std::string where = run.OutputPath.empty() ? "standard output" : run.OutputPath;
    if (!options.Quiet)
        streams.Errors.Write("stepquill-convert: wrote " + std::to_string(run.Records) + " records to " + where + "\n");
    streams.Errors.Flush();
}

// Whether standard output is the chart's own file, which `-o -` would then
// write into while it is read.
bool StandardOutputIsChart(const std::string& chartPath) {
    struct stat output {};
    struct stat chart {};
    return ::fstat(STDOUT_FILENO, &output) == 0 && ::stat(chartPath.c_str(), &chart) == 0 &&
           S_ISREG(output.st_mode) && output.st_dev == chart.st_dev && output.st_ino == chart.st_ino;
}

// A decimal number of milliseconds, as a player writes a latency: "12",
// "-7.5". An exponent or a word such as "inf" is refused.
std::optional<double> ParseShift(const std::string& text) {
    std::size_t digits = 0;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else if (!(c == '-' && i == 0)) {
            return std::nullopt;
        }
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (digits == 0 || error != std::errc() || end != text.data() + text.size() || std::fabs(value) > 1e9)
        return std::nullopt;
    return value;
}

int PrintInformation(Streams& streams, const Options& options, const ChartInput& chart) {
    ConverterState state;
    ChartInfo info;
    const ReadOutcome reading = ReadChart(chart, {}, state, info);
    if (!reading.Ok()) return streams.Finish(streams.Fail(reading.FailureReason));
    std::optional<TextDecoder> decoder = ChartTextDecoder(ChartHeaderBytes(state, info), options.Encoding);
    if (options.Json) {
        streams.Out.Write(ChartJson(state, info, *decoder));
    } else {
        streams.Out.Write("Title: " + decoder->ToUtf8(state.Title) + "\nArtist: " + decoder->ToUtf8(state.Artist) +
                          "\nBPM: " + FormatNumber(state.Bpm) + "\nOffset: " + FormatNumber(state.OffsetMs) +
                          "ms\nDifficulties:\n");
        for (const auto& difficulty : info.Difficulties) streams.Out.Write("  " + decoder->ToUtf8(difficulty) + "\n");
    }
    return streams.Finish(EXIT_SUCCESS);
}

RunSettings SettingsFor(const Options& options) {
    RunSettings settings;
    settings.ShiftMs = options.ShiftMs;
    return settings;
}

int ConvertOnePart(Streams& streams, const Options& options, const ChartInput& chart) {
    ConverterState state;
    ChartInfo info;
    // A conversion of a file reads the chart only as far as the part it converts.
    const ReadOutcome reading = ReadChart(chart, options.Difficulty, state, info);
    if (!reading.Ok()) return streams.Finish(streams.Fail(reading.FailureReason));
    std::string reason;
    const std::optional<PartChoice> part = ChoosePart(info.Difficulties, options.Difficulty, reason);
    if (!part) return streams.Finish(streams.Fail(reason));

    // A chart from a pipe has no name to put the timing file beside.
    const bool toStandardOutput =
        options.OutputGiven ? NamesStandardOutput(options.Output) : chart.FromStandardInput();
    if (toStandardOutput && !chart.FromStandardInput() && StandardOutputIsChart(chart.Path))
        return streams.Finish(streams.Fail("the output file would replace the chart"));

    std::optional<TextDecoder> decoder = ChartTextDecoder(ChartHeaderBytes(state, info), options.Encoding);
    StreamLog log(toStandardOutput ? streams.Errors : streams.Out, *decoder, options.Quiet);
    StandardOutputRecords records(streams);
    RunSettings settings = SettingsFor(options);
    settings.OutputPath = options.Output;
    settings.PartOccurrence = part->Occurrence;
    if (toStandardOutput) settings.Output = &records;
    const RunOutcome run = ConvertPart(chart, state, part->DisplayText, options.Tokens, log, settings);
    streams.Out.Flush();
    streams.Errors.Flush();
    if (!run.Written) return streams.Finish(streams.Fail(run.StopReason));
    TellWritten(streams, options, run);
    return streams.Finish(EXIT_SUCCESS);
}

int ConvertEveryPart(Streams& streams, const Options& options, const ChartInput& chart) {
    if (options.OutputGiven) {
        struct stat folder {};
        if (::stat(options.Output.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
            return streams.Finish(streams.Fail("the output folder " + options.Output + " is not a folder"));
    }
    ConverterState read;
    ChartInfo info;
    const ReadOutcome reading = ReadChart(chart, {}, read, info);
    if (!reading.Ok()) return streams.Finish(streams.Fail(reading.FailureReason));
    if (info.Difficulties.empty()) return streams.Finish(streams.Fail("the chart lists no single-play part"));

    std::optional<TextDecoder> decoder = ChartTextDecoder(ChartHeaderBytes(read, info), options.Encoding);
    StreamLog log(streams.Out, *decoder, options.Quiet);
    int status = EXIT_SUCCESS;
    for (const PartFile& file : PlanPartFiles(chart.Path, options.Output, info.Difficulties)) {
        // Each part starts from the reading, as a run of its own would.
        ConverterState state = read;
        RunSettings settings = SettingsFor(options);
        settings.OutputPath = file.Path;
        settings.PartOccurrence = file.Part.Occurrence;
        const RunOutcome run = ConvertPart(chart, state, file.Part.DisplayText, options.Tokens, log, settings);
        streams.Out.Flush();
        if (run.Written) {
            TellWritten(streams, options, run);
        } else {
            status = streams.Fail(file.Path + ": " + run.StopReason);
        }
    }
    return streams.Finish(status);
}

// A usage error in one line, not the whole help.
int UsageError(const std::string& reason) {
    std::cerr << "stepquill-convert: " << reason << ". Run with --help for more information.\n";
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    if (!PrepareProcess()) return EXIT_FAILURE;
    CLI::App app{"Reads a DWI, .sm or .ssc step chart and converts one of its single-play parts, or all of "
                 "them, into kvt timing files.",
                 "stepquill-convert"};
    app.set_version_flag("--version", std::string("stepquill-convert ") + STEPQUILL_VERSION);

    Options options;
    std::string shift = "0";
    app.add_option("CHART", options.Chart, "the chart: DWI, or StepMania .sm or .ssc; - reads it from standard input")->required();
    CLI::Option* difficulty = app.add_option(
        "DIFFICULTY", options.Difficulty, "a difficulty as listed, such as MANIAC(9) or Hard(9), or a bare name such as MANIAC");
    const std::vector<std::string> choices = {"A", "B", "X", "Y", "L", "R"};
    auto token = [&](const char* name, std::string& field, const char* what) {
        // Written in either case, kept in upper case.
        app.add_option(name, field, what)->transform(CLI::IsMember(choices, CLI::ignore_case))->capture_default_str();
    };
    ArrowTokens& tokens = options.Tokens;
    token("--up-left", tokens.UpLeft, "token for up-left arrows (7)");
    token("--up-right", tokens.UpRight, "token for up-right arrows (9)");
    token("--down-left", tokens.DownLeft, "token for down-left arrows (1)");
    token("--down-right", tokens.DownRight, "token for down-right arrows (3)");
    token("--up-down", tokens.UpDown, "token for up-and-down jumps (A)");
    token("--left-right", tokens.LeftRight, "token for left-and-right jumps (B)");
    CLI::Option* output = app.add_option(
        "-o,--output", options.Output,
        "the timing file (default: beside the chart, ending in kvt), - for standard output; with --all, the folder");
    app.add_flag("-q,--quiet", options.Quiet, "do not print the progress log or what was written");
    app.add_flag("--all", options.All, "convert every single-play part, each into CHART.NAME.kvt");
    app.add_option("--shift", shift, "move every time by MS milliseconds (a decimal number, negative allowed)")
        ->option_text("MS");
    app.add_option("--encoding", options.Encoding,
                   "the encoding of the chart's texts, such as CP932 (default: guessed from the chart)")
        ->option_text("NAME");
    app.add_flag("--json", options.Json, "print the chart's information as one JSON object");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return app.exit(done);
    } catch (const CLI::ParseError& error) {
        std::string reason = error.what();
        while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n')) reason.pop_back();
        return UsageError(reason);
    }
    options.DifficultyGiven = difficulty->count() > 0;
    options.OutputGiven = output->count() > 0;

    const std::optional<double> shiftMs = ParseShift(shift);
    if (!shiftMs) return UsageError("--shift takes milliseconds as a decimal number, such as 12 or -7.5, not " + shift);
    options.ShiftMs = *shiftMs;
    if (!options.Encoding.empty() && !TextDecoder::Open(options.Encoding))
        return UsageError("--encoding names no encoding this system knows: " + options.Encoding);
    if (options.All && options.DifficultyGiven) return UsageError("--all converts every part; name no DIFFICULTY with it");
    if (options.Json && (options.All || options.DifficultyGiven))
        return UsageError("--json prints the chart's information; it takes no DIFFICULTY and no --all");
    if (options.All && options.Chart == "-")
        return UsageError("--all names its files after the chart, so it needs a chart file, not -");
    if (options.All && options.OutputGiven && NamesStandardOutput(options.Output))
        return UsageError("--all writes a file per part; -o names their folder, not standard output");
    if (options.OutputGiven && options.Output.empty()) return UsageError("-o names no output");

    Streams streams;
    ChartInput chart{options.Chart, std::nullopt};
    if (options.Chart == "-") {
        std::string reason;
        std::optional<ChartInput> piped = ReadChartFromStandardInput(reason);
        if (!piped) return streams.Finish(streams.Fail(reason));
        chart = std::move(*piped);
    }
    if (options.All) return ConvertEveryPart(streams, options, chart);
    if (options.DifficultyGiven) return ConvertOnePart(streams, options, chart);
    return PrintInformation(streams, options, chart);
}
