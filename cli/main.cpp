// stepquill-convert: prints a chart's information, or converts one of its
// single-play parts, or all of them, into kvt timing files, with the same
// core as the window.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "arrow_tokens.h"
#include "chart_encoding.h"
#include "chart_file.h"
#include "chart_input.h"
#include "chart_json.h"
#include "command_line.h"
#include "descriptor_writer.h"
#include "library_command.h"
#include "messages.h"
#include "part_choice.h"
#include "process_start.h"
#include "shared_folder_links.h"
#include "progress_log.h"
#include "text.h"

namespace {

using namespace stepquill;

// Standard output and standard error, each written to its descriptor, so
// that a failed write of standard output is seen and ends the run with 1.
struct Streams {
    DescriptorWriter Out{STDOUT_FILENO};
    DescriptorWriter Errors{STDERR_FILENO};
    bool OutFailureTold = false;

    int Fail(const std::string& reason) {
        Errors.WriteText("stepquill-convert: " + reason);
        Errors.Write("\n");
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
        to_.WriteText(decoder_.ToUtf8(line));
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
    if (!options.Quiet) {
        streams.Errors.WriteText("stepquill-convert: wrote " + std::to_string(run.Records) + " records to " + where);
        streams.Errors.Write("\n");
    }
    streams.Errors.Flush();
}

// Whether standard output is the chart's own file, which `-o -` would then
// write into while it is read.
bool StandardOutputIsChart(const std::string& chartPath) {
    struct stat output {};
    struct stat chart {};
    return ::fstat(STDOUT_FILENO, &output) == 0 && ::stat(chartPath.c_str(), &chart) == 0 &&
           S_ISREG(output.st_mode) && SameFile(output, chart);
}

int PrintInformation(Streams& streams, const Options& options, const ChartInput& chart) {
    const ChartReading reading = ReadChart(chart, *ReaderFor(chart.Format));
    if (!reading.Ok()) return streams.Finish(streams.Fail(reading.StopReason));
    const ChartInfo& info = reading.Info;
    std::optional<TextDecoder> decoder = ChartTextDecoder(ChartHeaderBytes(info), options.Encoding.value_or(""));
    if (options.Json) {
        streams.Out.Write(ChartJson(info, *decoder));
    } else {
        auto line = [&](std::string_view label, const std::string& text) {
            streams.Out.Write(label);
            streams.Out.WriteText(text);
            streams.Out.Write("\n");
        };
        line("Title: ", decoder->ToUtf8(FullTitle(info)));
        line("Artist: ", decoder->ToUtf8(info.Artist));
        line("BPM: ", FormatNumber(info.Bpm));
        line("Offset: ", FormatNumber(info.OffsetMs) + "ms");
        streams.Out.Write("Difficulties:\n");
        for (const Difficulty& difficulty : info.Difficulties) line("  ", decoder->ToUtf8(difficulty.DisplayText));
    }
    return streams.Finish(EXIT_SUCCESS);
}

// The chart's file name without its ending, for a device header's names.
std::string ChartName(const ChartInput& chart) {
    if (chart.FromStandardInput()) return "chart";
    std::string name = chart.Path.substr(chart.Path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// What every conversion of this run is asked, besides its part and output.
ConversionRequest RequestFor(const Options& options, const ChartInput& chart, const ChartInfo& reading,
                             TextDecoder& decoder) {
    ConversionRequest request;
    request.Reading = reading;
    request.Tokens = options.Tokens;
    request.ShiftMs = options.ShiftMs.value_or(0);
    DeviceSettings& device = request.Device;
    device.Format = options.Format;
    device.Lengths = options.Lengths;
    device.Zero = options.Zero;
    device.Unit = options.Unit;
    device.Title = decoder.ToUtf8(FullTitle(reading));
    device.Artist = decoder.ToUtf8(reading.Artist);
    device.ChartName = ChartName(chart);
    return request;
}

int ConvertOnePart(Streams& streams, const Options& options, const ChartInput& chart) {
    // A conversion of a file reads the chart only as far as the part it
    // converts, or, where the conversion needs the whole file, once for both.
    const std::unique_ptr<ChartFormatReader> reader = ReaderFor(chart.Format);
    const ChartReading reading = ReadChart(chart, *reader, *options.Difficulty);
    if (!reading.Ok()) return streams.Finish(streams.Fail(reading.StopReason));
    const ChartInfo& info = reading.Info;
    std::string reason;
    const std::optional<PartChoice> part = ChoosePart(info.Difficulties, *options.Difficulty, reason);
    if (!part) return streams.Finish(streams.Fail(reason));

    // A chart from a pipe has no name to put the timing file beside.
    const bool toStandardOutput =
        options.Output ? NamesStandardOutput(*options.Output) : chart.FromStandardInput();
    if (toStandardOutput && !chart.FromStandardInput() && StandardOutputIsChart(chart.Path))
        return streams.Finish(streams.Fail(kOutputWouldReplaceChart));

    std::optional<TextDecoder> decoder = ChartTextDecoder(ChartHeaderBytes(info), options.Encoding.value_or(""));
    StreamLog log(toStandardOutput ? streams.Errors : streams.Out, *decoder, options.Quiet);
    StandardOutputRecords records(streams);
    ConversionRequest request = RequestFor(options, chart, info, *decoder);
    request.Part = part->DisplayText;
    request.Device.Part = decoder->ToUtf8(part->DisplayText);
    request.PartOccurrence = part->Occurrence;
    request.OutputPath = options.Output.value_or("");
    if (toStandardOutput) request.Output = &records;
    const RunOutcome run = ConvertPart(chart, *reader, request, log);
    streams.Out.Flush();
    streams.Errors.Flush();
    // A stop of the timing file names it, as --all names every part's.
    if (!run.Written)
        return streams.Finish(streams.Fail(run.OutputFailed && !run.OutputPath.empty()
                                               ? run.OutputPath + ": " + run.StopReason
                                               : run.StopReason));
    TellWritten(streams, options, run);
    return streams.Finish(EXIT_SUCCESS);
}

// The folder --all writes into: made when it is missing, as long as its
// parent folder is there. Empty when it is there, else the reason.
std::string PrepareOutputFolder(const std::string& folder) {
    std::string reason;
    if (!LinksOnTheWayMayBeFollowed(folder, reason)) return reason;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        if (errno != ENOENT) return "cannot use the output folder " + folder + ": " + std::strerror(errno);
        if (::mkdir(folder.c_str(), 0777) != 0)
            return "cannot create the output folder " + folder + ": " + std::strerror(errno);
        return {};
    }
    if (!S_ISDIR(info.st_mode)) return "the output folder " + folder + " is not a folder";
    return {};
}

int ConvertEveryPart(Streams& streams, const Options& options, const ChartInput& chart) {
    const std::unique_ptr<ChartFormatReader> reader = ReaderFor(chart.Format);
    const ChartReading reading = ReadChart(chart, *reader);
    if (!reading.Ok()) return streams.Finish(streams.Fail(reading.StopReason));
    const ChartInfo& info = reading.Info;
    if (info.Difficulties.empty()) return streams.Finish(streams.Fail("the chart lists no single-play part"));
    if (options.Output) {
        const std::string reason = PrepareOutputFolder(*options.Output);
        if (!reason.empty()) return streams.Finish(streams.Fail(reason));
    }

    std::optional<TextDecoder> decoder = ChartTextDecoder(ChartHeaderBytes(info), options.Encoding.value_or(""));
    StreamLog log(streams.Out, *decoder, options.Quiet);
    std::vector<PartTarget> parts;
    for (PartFile& file :
         PlanPartFiles(chart.Path, options.Output.value_or(""), info.Difficulties, FormatEnding(options.Format)))
        parts.push_back({file.Part.DisplayText, file.Part.Occurrence, std::move(file.Path),
                         decoder->ToUtf8(file.Part.DisplayText)});
    int status = EXIT_SUCCESS;
    // The chart is read about once for every part, and the parts' outcomes
    // are told in their order as they come.
    const ConversionRequest request = RequestFor(options, chart, info, *decoder);
    ConvertParts(chart, *reader, request, parts, log, [&](std::size_t i, const RunOutcome& run) {
        streams.Out.Flush();
        if (run.Written)
            TellWritten(streams, options, run);
        else
            status = streams.Fail(parts[i].OutputPath + ": " + run.StopReason);
    });
    return streams.Finish(status);
}

}  // namespace

int main(int argc, char** argv) {
    if (!PrepareProcess()) return EXIT_FAILURE;
    Options options;
    if (const std::optional<int> status = ReadCommandLine(argc, argv, options)) return *status;

    Streams streams;
    if (options.Library) return streams.Finish(ConvertLibraryCommand(options, streams.Errors));
    std::string reason;
    const std::optional<ChartInput> chart = TakeChart(options.Chart, options.NamedFormat, reason);
    if (!chart) return streams.Finish(streams.Fail(reason));
    if (options.All) return ConvertEveryPart(streams, options, *chart);
    if (options.Difficulty) return ConvertOnePart(streams, options, *chart);
    return PrintInformation(streams, options, *chart);
}
