#include "conversion_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <new>
#include <optional>

#include "chart_file.h"
#include "messages.h"
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
    try {
        NoteWriter notes(&output, lastRecords, request.Tokens, log, request.DecimalSeparator,
                         reader.NotesNotation());
        reason = reader.ConvertPart(request.ChartBytes ? *request.ChartBytes : *chartFile, request, notes, log);
        if (reason.empty()) reason = notes.StopReason();
        if (!reason.empty()) return stop(reason);
        notes.Finish();
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
    outcome.Records = output.Lines();
    return outcome;
}

}  // namespace stepquill
