#include "conversion_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <new>
#include <memory>
#include <optional>
#include <thread>

#include "chart_file.h"
#include "commit_wave.h"
#include "messages.h"
#include "press_timeline.h"
#include "temporary_name_guard.h"
#include "text.h"
#include "timing_file.h"

namespace stepquill {

namespace {

// The timing file as a run's output: whole at its name or not at all.
// With a commit wave, the whole file waits there for its name instead.
class FileOutput final : public TimingOutput {
public:
    FileOutput(TimingFileWriter writer, CommitWave* wave) : writer_(std::move(writer)), wave_(wave) {}
    std::size_t BlockBytes() const override { return writer_.BlockBytes(); }
    bool Take(std::string_view records, std::string& reason) override { return writer_.Take(records, reason); }
    bool TakeOver(std::string& block, std::string& reason) override { return writer_.TakeOver(block, reason); }
    bool Finish(std::string& reason) override {
        if (wave_ == nullptr) return writer_.Commit(reason);
        if (!writer_.Complete(reason)) return false;
        waiting_ = wave_->Add(std::move(writer_));
        return true;
    }
    std::optional<std::size_t> Waiting() const { return waiting_; }

private:
    TimingFileWriter writer_;
    CommitWave* wave_;
    std::optional<std::size_t> waiting_;
};

// Takes the timing file's records where a device's file is written instead.
class DroppedRecords final : public RecordSink {
public:
    std::size_t BlockBytes() const override { return kTimingFileBlockBytes; }
    bool Take(std::string_view, std::string&) override { return true; }
    bool ReadsRecords() const override { return false; }
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
        lines_ += CountLineFeeds(records);
        failed_ = failed_ || !output_.Take(records, reason);
        return !failed_;
    }
    std::size_t Lines() const { return lines_; }
    // Whether a block could not be written, which stops the walk.
    bool Failed() const { return failed_; }

private:
    TimingOutput& output_;
    std::size_t lines_ = 0;
    bool failed_ = false;
};

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The chart a run converts its parts from, opened once for all of them.
class RunChart {
public:
    RunChart(ChartFormatReader& reader, const ConversionRequest& request)
        : reader_(reader), request_(request), stop_(),
          file_(request.ChartBytes == nullptr ? OpenChart(request.ChartPath, stop_) : std::nullopt) {
        // What the reader learned when it read the request's reading holds
        // for the same file only, or for the request's bytes, which that
        // reading read.
        const ChartIdentity& read = request_.Reading.Identity;
        if (file_ && !(read.Recorded() && read == file_->Identity())) reader_.StartChart();
    }

    // The chart's bytes, after what the reading found was checked against
    // them; none, with the reason, when the part cannot be converted.
    ChartSource* Ready(ProgressLog& log, std::string& reason) {
        if (request_.ChartBytes != nullptr) return request_.ChartBytes;
        if (!file_ || !stop_.empty()) {
            reason = stop_;
            return nullptr;
        }
        const ChartIdentity& read = request_.Reading.Identity;
        if (!checked_ && read.Recorded() && read != file_->Identity()) {
            log.Append("The chart changed since it was read; reading it again.");
            ChartReading again = reader_.ReadInfo(*file_, {}, {});
            if (!again.Ok()) stop_ = Unreadable(again.StopReason);
            else if (!file_->Seek(0)) stop_ = Unreadable(kUnreadableChart);
            again.Info.Identity = file_->Identity();
            request_.Reading = std::move(again.Info);
        }
        checked_ = true;
        reason = stop_;
        return stop_.empty() ? &*file_ : nullptr;
    }

    // The request as the run converts it: with the reading of the chart it walks.
    ConversionRequest& Request() { return request_; }
    ChartFile* File() { return file_ ? &*file_ : nullptr; }
    ChartFormatReader& Reader() { return reader_; }

    // A read error as the system tells it, with the chart's name.
    std::string Unreadable(const std::string& reason) const {
        return reason == kUnreadableChart && file_ && file_->ReadError() != 0
                   ? CannotRead(request_.ChartPath, file_->ReadError())
                   : reason;
    }

private:
    ChartFormatReader& reader_;
    ConversionRequest request_;
    std::string stop_;  // before the file, whose opening sets it
    std::optional<ChartFile> file_;
    bool checked_ = false;
};

// The timing file the request names: its output path, the file the chart's
// name gives beside it, or that file's name in the folder the output path
// names. Empty, with the reason, when the chart's name gives none.
std::string OutputPathOf(ChartFormatReader& reader, const ConversionRequest& request, std::string& reason) {
    const bool intoFolder = !request.OutputPath.empty() && IsFolder(request.OutputPath);
    if (!request.OutputPath.empty() && !intoFolder) return request.OutputPath;
    std::string path = reader.TimingFileFor(request.ChartPath, reason);
    if (!path.empty()) path = WithEnding(path, request.Device.Format);
    if (path.empty() || !intoFolder) return path;
    const std::size_t slash = path.rfind('/');
    std::string inFolder = request.OutputPath;
    if (inFolder.back() != '/') inFolder += '/';
    return inFolder + (slash == std::string::npos ? path : path.substr(slash + 1));
}

RunOutcome RunPart(RunChart& chart, ProgressLog& log) {
    const ConversionRequest& request = chart.Request();
    ChartFormatReader& reader = chart.Reader();
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

    std::string reason;
    ChartSource* source = chart.Ready(log, reason);
    if (source == nullptr) return stop(reason);
    ChartFile* chartFile = chart.File();

    std::optional<FileOutput> file;
    if (request.Output == nullptr) {
        const std::string outputPath = OutputPathOf(reader, request, reason);
        if (outputPath.empty()) return stop(reason);
        outcome.OutputPath = outputPath;
        // The chart as it was opened, whatever its path names by now.
        if (chartFile ? chartFile->IsFileAt(outputPath) : SameFile(request.ChartPath, outputPath))
            return stop(kOutputWouldReplaceChart);
        std::optional<TimingFileWriter> writer = TimingFileWriter::Create(
            outputPath, reason, request.RecordBlockBytes, request.UnnamedTemporaryFile);
        outcome.OutputFailed = !writer;
        if (!writer) return stop(reason);
        file.emplace(std::move(*writer), request.Commits);
    }
    TimingOutput& target = request.Output ? *request.Output : *file;
    CountedOutput output(target);

    // A chart line or a timing text too large for the memory left stops the
    // run like any other failure, instead of ending the program. The records
    // go into the temporary file a block at a time; a stop drops it with them.
    std::string lastRecords;
    // For a device, the timing file's presses are judged as records would
    // be, but their text is made only for the log's lines: the timeline is
    // told of the presses that would get a record.
    DroppedRecords dropped;
    const std::unique_ptr<DeviceFile> device = DeviceFile::Create(request.Device, request.ShiftMs, target);
    std::optional<PressTimeline> timeline;
    if (device) timeline.emplace(request.Device.Lengths, *device);
    try {
        NoteWriter notes(device ? static_cast<RecordSink*>(&dropped) : &output, lastRecords, request.Tokens, log,
                         request.DecimalSeparator, reader.NotesNotation(), timeline ? &*timeline : nullptr);
        reason = reader.ConvertPart(*source, request, notes, log);
        if (reason.empty()) reason = notes.StopReason();
        outcome.OutputFailed = output.Failed();
        if (!reason.empty()) return stop(chart.Unreadable(reason));
        notes.Finish();
        if (timeline) {
            timeline->Finish();
            lastRecords.clear();
            if (!device->Finish(reason)) return stop(reason);
        }
    } catch (const std::bad_alloc&) {
        // What the reader kept of the chart may be cut short as well.
        reader.StartChart();
        source->Seek(0);
        return stop(kChartTooLargeForMemory);
    }
    // A chart cut short or rewritten while it was read gave records that
    // belong to no version of it.
    if (chartFile && chartFile->ChangedSinceOpened()) return stop(kChartChangedWhileRead);

    // The last block, then the file in its place.
    if (!output.Take(lastRecords, reason) || !target.Finish(reason)) {
        outcome.OutputFailed = true;
        return stop(reason);
    }
    outcome.Written = true;
    if (file) outcome.Waiting = file->Waiting();
    outcome.Records = device ? device->Entries() : output.Lines();
    return outcome;
}

// The part a run of several converts next.
void AimAt(RunChart& chart, const PartTarget& part) {
    ConversionRequest& asked = chart.Request();
    asked.Part = part.Part;
    asked.PartOccurrence = part.Occurrence;
    asked.OutputPath = part.OutputPath;
    asked.Device.Part = part.ShownPart;
}

// The most parts converted at once.
constexpr unsigned kMostPartThreads = 4;

// Readers for the threads that convert parts beside the caller's, one a
// core; none where the parts go one after another: a log that is read
// tells them in order, a commit wave or an output of the caller's takes
// one part at a time, and bytes in memory have one reading position.
std::vector<std::unique_ptr<ChartFormatReader>> SiblingsFor(const ChartFormatReader& reader,
                                                            const ConversionRequest& request,
                                                            const std::vector<PartTarget>& parts,
                                                            const ProgressLog& log) {
    std::vector<std::unique_ptr<ChartFormatReader>> siblings;
    if (parts.size() < 2 || log.KeepsLines() || request.Commits != nullptr || request.Output != nullptr ||
        request.ChartBytes != nullptr)
        return siblings;
    const std::size_t threads =
        std::min<std::size_t>({std::thread::hardware_concurrency(), kMostPartThreads, parts.size()});
    for (std::size_t i = 1; i < threads; ++i) {
        std::unique_ptr<ChartFormatReader> sibling = reader.Sibling();
        if (!sibling) break;
        siblings.push_back(std::move(sibling));
    }
    return siblings;
}

// Converts the parts on the caller's thread and one more for each sibling,
// each part taken in chart order by the first thread free, each thread
// with its own opening of the chart; `done` hears the outcomes in the
// parts' order, on the caller's thread, as soon as the caller is between
// two parts of its own. One temporary file's name can be guarded against
// an interrupt at a time, so SIGINT, SIGTERM and SIGHUP wait meanwhile: one
// that comes stops the run between parts, every part under way is finished
// and put in place, and then it ends the program as it would have.
void RunPartsOnThreads(ChartFormatReader& reader, const std::vector<std::unique_ptr<ChartFormatReader>>& siblings,
                       const ConversionRequest& request, const std::vector<PartTarget>& parts,
                       const std::function<void(std::size_t, const RunOutcome&)>& done) {
    std::atomic<std::size_t> nextPart{0};
    std::mutex mutex;
    std::map<std::size_t, RunOutcome> outcomes;  // finished, not yet told; guarded by mutex
    std::size_t told = 0;
    const auto convert = [&](ChartFormatReader& own, const std::function<void()>& between) {
        RunChart chart(own, request);
        UnreadLog log;
        for (std::size_t i; !HeldSignals::OneWaits() && (i = nextPart.fetch_add(1)) < parts.size();) {
            AimAt(chart, parts[i]);
            RunOutcome outcome = RunPart(chart, log);
            {
                const std::lock_guard lock(mutex);
                outcomes.emplace(i, std::move(outcome));
            }
            between();
        }
    };
    // Tells the outcomes that are in, in order, up to the first still out.
    const std::function<void()> tell = [&] {
        while (told < parts.size()) {
            std::unique_lock lock(mutex);
            const auto in = outcomes.find(told);
            if (in == outcomes.end()) return;
            const RunOutcome outcome = std::move(in->second);
            outcomes.erase(in);
            lock.unlock();
            done(told++, outcome);
        }
    };
    // Held on the threads made below too: a new thread starts with its maker's.
    const HeldSignals interrupts;
    std::vector<std::thread> threads;
    for (const std::unique_ptr<ChartFormatReader>& sibling : siblings)
        threads.emplace_back([&convert, own = sibling.get()] { convert(*own, [] {}); });
    convert(reader, tell);
    tell();
    for (std::thread& thread : threads) thread.join();
    // The parts taken are the first ones, so those in are told whole; a
    // stop leaves the rest untaken and untold.
    tell();
}

}  // namespace

RunOutcome RunConversion(ChartFormatReader& reader, const ConversionRequest& request, ProgressLog& log) {
    if (request.ChartPath.empty()) return {};
    RunChart chart(reader, request);
    return RunPart(chart, log);
}

void RunConversions(ChartFormatReader& reader, const ConversionRequest& request, const std::vector<PartTarget>& parts,
                    ProgressLog& log, const std::function<void(std::size_t, const RunOutcome&)>& done) {
    std::vector<std::unique_ptr<ChartFormatReader>> siblings = SiblingsFor(reader, request, parts, log);
    if (!siblings.empty()) return RunPartsOnThreads(reader, siblings, request, parts, done);
    RunChart chart(reader, request);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        AimAt(chart, parts[i]);
        done(i, RunPart(chart, log));
    }
}

}  // namespace stepquill
