#include "conversion_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "chart_file.h"
#include "chart_stream.h"
#include "part_search.h"
#include "step_walk.h"
#include "timing_file.h"

namespace stepquill {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

class DwiPartReader final : public PartReader {
public:
    std::string TimingFileFor(const std::string& chartPath, std::string& reason) const override {
        if (chartPath.size() < 3) {
            reason = "the chart path is too short to name the output file";
            return {};
        }
        return TimingFileName(chartPath);
    }

    std::string ConvertPart(ChartSource& source, ConverterState& state, const std::string& difficultyText,
                            const ArrowTokens& tokens, ProgressLog& log, RecordSink& records,
                            const RunSettings& settings) override {
        if (state.Bpm == 0) return "the tempo is 0";
        // A negative tempo would run time backwards, and one read as infinite
        // (beyond the range of a double) would put every arrow at the offset.
        if (state.Bpm < 0) return "the tempo is negative";
        if (!std::isfinite(state.Bpm)) return "the tempo is too large to read";
        state.StepMs = 60 / state.Bpm * 1000 / 2;
        if (!std::isfinite(state.StepMs)) return "the step length is not finite";

        // The name is the display text up to its "(": "MANIAC(10)" gives "MANIAC".
        std::size_t bracket = difficultyText.find('(');
        if (bracket == std::string::npos) return "no difficulty chosen";
        state.PartName = difficultyText.substr(0, bracket);

        state.CurrentMs = state.OffsetMs + settings.ShiftMs;
        state.Beat = 0;
        log.Append("Searching " + state.PartName + " part.");

        ChartStream chart(source);
        TimingLists lists;
        PartSearchResult part = FindPart(chart, state.PartName, lists, log, settings.PartOccurrence);
        // A read error ends the search and the walk as the chart's end
        // would; what they gave then is not the chart's.
        if (chart.ReadFailed()) return kUnreadableChart;
        if (!part.PartFound) return "the " + state.PartName + " part was not found";
        WalkOutcome walk =
            WalkSteps(part.HeaderRest, chart, state, lists, tokens, log, settings.DecimalSeparator, &records);
        if (chart.ReadFailed()) return kUnreadableChart;
        return walk.StopReason;
    }
};

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

std::string TimingFileName(const std::string& chartPath) {
    return chartPath.substr(0, chartPath.size() - 3) + "kvt";
}

RunOutcome RunConversion(PartReader& reader, ConverterState& state, const std::string& chartPath,
                         const std::string& difficultyText, const ArrowTokens& tokens, ProgressLog& log,
                         const RunSettings& settings) {
    RunOutcome outcome;
    if (chartPath.empty()) return outcome;
    outcome.Ran = true;

    // Tempo changes of this run must not carry into the next one: every run
    // starts from the tempo of the last reading.
    const double readingBpm = state.Bpm;
    auto stop = [&](const std::string& reason) {
        log.Append("Conversion stopped: " + reason);
        state.Bpm = readingBpm;
        outcome.StopReason = reason;
        return outcome;
    };

    log.Clear();
    state.OutputBuffer.clear();
    log.Append("Cleared file buffer");

    std::optional<ChartFile> chartFile = settings.ChartBytes ? std::nullopt : OpenChart(chartPath);
    if (!chartFile && !settings.ChartBytes) return stop("the chart cannot be opened");

    std::string reason;
    std::optional<FileOutput> file;
    if (settings.Output == nullptr) {
        std::string outputPath = settings.OutputPath;
        if (outputPath.empty()) {
            outputPath = reader.TimingFileFor(chartPath, reason);
            if (outputPath.empty()) return stop(reason);
        }
        outcome.OutputPath = outputPath;
        // The chart as it was opened, whatever its path names by now.
        if (chartFile ? chartFile->IsFileAt(outputPath) : SameFile(chartPath, outputPath))
            return stop("the output file would replace the chart");
        std::optional<TimingFileWriter> writer = TimingFileWriter::Create(
            outputPath, reason, settings.RecordBlockBytes, settings.UnnamedTemporaryFile);
        if (!writer) return stop(reason);
        file.emplace(std::move(*writer));
    }
    TimingOutput& target = settings.Output ? *settings.Output : *file;
    CountedOutput output(target);

    // A chart line or a timing text too large for the memory left stops the
    // run like any other failure, instead of ending the program. The records
    // go into the temporary file a block at a time; a stop drops it with them.
    try {
        reason = reader.ConvertPart(settings.ChartBytes ? *settings.ChartBytes : *chartFile, state, difficultyText,
                                    tokens, log, output, settings);
        if (!reason.empty()) return stop(reason);
    } catch (const std::bad_alloc&) {
        std::string().swap(state.OutputBuffer);
        return stop("the chart does not fit in memory");
    }
    // A chart cut short or rewritten while it was read gave records that
    // belong to no version of it.
    if (chartFile && chartFile->ChangedSinceOpened()) return stop("the chart changed while it was read");
    chartFile.reset();

    // The last block, then the file in its place.
    const bool written = output.Take(state.OutputBuffer, reason) && target.Finish(reason);
    state.OutputBuffer.clear();
    if (!written) return stop(reason);
    state.Bpm = readingBpm;
    outcome.Written = true;
    outcome.Records = output.Lines();
    return outcome;
}

RunOutcome ConvertDWI(ConverterState& state, const std::string& chartPath, const std::string& difficultyText,
                      const ArrowTokens& tokens, ProgressLog& log, const RunSettings& settings) {
    DwiPartReader reader;
    return RunConversion(reader, state, chartPath, difficultyText, tokens, log, settings);
}

}  // namespace stepquill
