#include "conversion_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <new>
#include <memory>
#include <optional>

#include "chart_file.h"
#include "messages.h"
#include "press_timeline.h"
#include "timing_file.h"

namespace stepquill {

namespace {

// The timing file as a run's output: whole at its name or not at all.
class FileOutput final : public TimingOutput {
public:
    explicit FileOutput(TimingFileWriter writer) : writer_(std::move(writer)) {}
    std::size_t BlockBytes() const override { return writer_.BlockBytes(); }
    bool Take(std::string_view records, std::string& reason) override { return writer_.Take(records, reason); }
    bool Finish(std::string& reason) override { return writer_.Commit(reason); }

private:
    TimingFileWriter writer_;
};

// Takes the timing file's records where a device's file is written instead.
class DroppedRecords final : public RecordSink {
public:
    std::size_t BlockBytes() const override { return kTimingFileBlockBytes; }
    bool Take(std::string_view, std::string&) override { return true; }
};

// The timing file's name beside the chart, with the ending of the format.
std::string WithEnding(std::string path, OutputFormat format) {
    if (format == OutputFormat::Kvt) return path;
    path.resize(path.size() - FormatEnding(OutputFormat::Kvt).size());
    return path + std::string(FormatEnding(format));
}

// Counts the records on their way to the output: one line each.
class CountedOutput final : public RecordSink {
public:
    explicit CountedOutput(TimingOutput& output) : output_(output) {}
    std::size_t BlockBytes() const override { return output_.BlockBytes(); }
    bool Take(std::string_view records, std::string& reason) override {
        lines_ += static_cast<std::size_t>(std::count(records.begin(), records.end(), '\n'));
        return output_.Take(records, reason);
    }
    std::size_t Lines() const { return lines_; }

private:
    TimingOutput& output_;
    std::size_t lines_ = 0;
};

}  // namespace

RunOutcome RunConversion(ChartFormatReader& reader, const ConversionRequest& request, ProgressLog& log) {
    RunOutcome outcome;
    if (request.ChartPath.empty()) return outcome;
    outcome.Ran = true;

    auto stop = [&](const std::string& reason) {
        log.Append("Conversion stopped: " + reason);
        outcome.StopReason = reason;
        return outcome;
    };

    log.Clear();
    log.Append("Cleared file buffer");

    std::optional<ChartFile> chartFile = request.ChartBytes ? std::nullopt : OpenChart(request.ChartPath);
    if (!chartFile && !request.ChartBytes) return stop(kChartCannotBeOpened);

    std::string reason;
    std::optional<FileOutput> file;
    if (request.Output == nullptr) {
        std::string outputPath = request.OutputPath;
        if (outputPath.empty()) {
            outputPath = reader.TimingFileFor(request.ChartPath, reason);
            if (outputPath.empty()) return stop(reason);
            outputPath = WithEnding(outputPath, request.Device.Format);
        }
        outcome.OutputPath = outputPath;
        // The chart as it was opened, whatever its path names by now.
        if (chartFile ? chartFile->IsFileAt(outputPath) : SameFile(request.ChartPath, outputPath))
            return stop(kOutputWouldReplaceChart);
        std::optional<TimingFileWriter> writer = TimingFileWriter::Create(
            outputPath, reason, request.RecordBlockBytes, request.UnnamedTemporaryFile);
        if (!writer) return stop(reason);
        file.emplace(std::move(*writer));
    }
    TimingOutput& target = request.Output ? *request.Output : *file;
    CountedOutput output(target);

    // A chart line or a timing text too large for the memory left stops the
    // run like any other failure, instead of ending the program. The records
    // go into the temporary file a block at a time; a stop drops it with them.
    std::string lastRecords;
    // For a device, the timing file's records are made and dropped: the
    // timeline is told of the presses they are made from.
    DroppedRecords dropped;
    const std::unique_ptr<DeviceFile> device = DeviceFile::Create(request.Device, request.ShiftMs, output);
    std::optional<PressTimeline> timeline;
    if (device) timeline.emplace(request.Device.Lengths, *device);
    try {
        NoteWriter notes(device ? static_cast<RecordSink*>(&dropped) : &output, lastRecords, request.Tokens, log,
                         request.DecimalSeparator, reader.NotesNotation(), timeline ? &*timeline : nullptr);
        reason = reader.ConvertPart(request.ChartBytes ? *request.ChartBytes : *chartFile, request, notes, log);
        if (reason.empty()) reason = notes.StopReason();
        if (!reason.empty()) return stop(reason);
        notes.Finish();
        if (timeline) {
            timeline->Finish();
            lastRecords.clear();
            if (!device->Finish(reason)) return stop(reason);
        }
    } catch (const std::bad_alloc&) {
        return stop(kChartTooLargeForMemory);
    }
    // A chart cut short or rewritten while it was read gave records that
    // belong to no version of it.
    if (chartFile && chartFile->ChangedSinceOpened()) return stop(kChartChangedWhileRead);
    chartFile.reset();

    // The last block, then the file in its place.
    if (!output.Take(lastRecords, reason) || !target.Finish(reason)) return stop(reason);
    outcome.Written = true;
    outcome.Records = device ? device->Entries() : output.Lines();
    return outcome;
}

}  // namespace stepquill
