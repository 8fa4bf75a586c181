#include "library_run.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "archive_library.h"
#include "chart_encoding.h"
#include "chart_file.h"
#include "chart_formats.h"
#include "commit_wave.h"
#include "library_listing.h"
#include "library_output.h"
#include "memory_chart.h"
#include "part_choice.h"
#include "temporary_name_guard.h"

namespace stepquill {

namespace {

using Clock = std::chrono::steady_clock;

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

unsigned ProcessorsAvailable() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

// How many whole files may wait for their names at once: each holds a
// descriptor, and the process may have only so many. The limit is raised
// as far as the system lets the process raise it.
std::size_t FilesThatMayWait(unsigned jobs) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 16;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    // Room for the charts, the writers' threads and whatever else is open.
    const rlim_t kept = 64 + 8 * static_cast<rlim_t>(jobs);
    if (limit.rlim_cur == RLIM_INFINITY) return 8192;
    return limit.rlim_cur > kept + 16 ? std::min<std::size_t>(limit.rlim_cur - kept, 8192) : 16;
}

// A chart's conversion and the files of it that wait for their names.
struct ChartWork {
    LibraryChart Chart;
    std::vector<std::optional<std::size_t>> Waiting;  // per part
    bool Done = false;
};

// Converts one chart, from its file or from its bytes.
void ConvertListed(const LibrarySettings& settings, const ListedChart& listed, const LibraryOutput& output,
                   const std::string& chartPath, const std::string* bytes, CommitWave& wave, ChartWork& work) {
    LibraryChart& chart = work.Chart;
    const ChartFormat format = FormatOfPath(listed.Name);
    std::optional<MemoryChart> memory;
    if (bytes) memory.emplace(*bytes);
    // The reader keeps what it learned of the chart for its conversion.
    const std::unique_ptr<ChartFormatReader> reader = ReaderFor(format);
    const ChartReading reading = memory ? reader->ReadInfo(*memory, {}, {}) : ReadChart(*reader, chartPath);
    if (!reading.Ok()) {
        chart.StopReason = reading.StopReason;
        return;
    }
    const ChartInfo& info = reading.Info;
    std::optional<TextDecoder> decoder = ChartTextDecoder(ChartHeaderBytes(info), settings.Encoding);
    if (!decoder) {
        chart.StopReason = "no such encoding: " + settings.Encoding;
        return;
    }
    std::string reason;
    const std::string folder = output.FolderFor(listed.Folder, reason);
    if (folder.empty()) {
        chart.StopReason = reason;
        return;
    }

    ConversionRequest request = settings.Conversion;
    request.ChartPath = chartPath;
    request.Reading = info;
    if (memory) {
        memory->Seek(0);
        request.ChartBytes = &*memory;
    }
    request.Output = nullptr;
    request.Commits = &wave;
    const std::string stem = listed.NamedWithEnding ? listed.Name : listed.Name.substr(0, listed.Name.rfind('.'));
    request.Device.Title = decoder->ToUtf8(FullTitle(info));
    request.Device.Artist = decoder->ToUtf8(info.Artist);
    request.Device.ChartName = stem;

    std::vector<PartTarget> targets;
    for (PartFile& file :
         PlanPartFiles(listed.Name, folder, info.Difficulties, FormatEnding(request.Device.Format), stem)) {
        chart.Parts.push_back({file.Part.DisplayText, file.Path, false, 0, {}});
        targets.push_back({file.Part.DisplayText, file.Part.Occurrence, std::move(file.Path),
                           decoder->ToUtf8(file.Part.DisplayText)});
    }
    work.Waiting.resize(targets.size());
    UnreadLog log;
    RunConversions(*reader, request, targets, log, [&](std::size_t i, const RunOutcome& run) {
        LibraryPart& part = chart.Parts[i];
        part.Written = run.Written;
        part.Records = run.Records;
        part.StopReason = run.StopReason;
        work.Waiting[i] = run.Waiting;
    });
}

// A chart to convert and, from an archive, its bytes or why they could
// not be read.
struct Task {
    std::size_t Index = 0;
    std::string Bytes;
    std::string Unreadable;
};

// What the threads of a run share.
class RunState {
public:
    RunState(std::size_t charts, std::size_t queueRoom) : work_(charts), queueRoom_(queueRoom) {}

    // The next chart of a folder library, none when all are taken.
    std::optional<Task> NextOnDisk() {
        std::lock_guard<std::mutex> held(lock_);
        if (nextOnDisk_ >= work_.size()) return std::nullopt;
        return Task{nextOnDisk_++, {}, {}};
    }
    // The next chart read from an archive, waiting for one.
    std::optional<Task> NextRead() {
        std::unique_lock<std::mutex> held(lock_);
        changed_.wait(held, [&] { return !queue_.empty() || readingEnded_; });
        if (queue_.empty()) return std::nullopt;
        Task task = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all();
        return task;
    }
    // Hands a chart read from the archive to the threads, once one has room.
    bool Hand(Task task, const std::atomic<bool>& cancel) {
        std::unique_lock<std::mutex> held(lock_);
        changed_.wait(held, [&] { return queue_.size() < queueRoom_ || cancel; });
        if (cancel) return false;
        queue_.push_back(std::move(task));
        changed_.notify_all();
        return true;
    }
    void EndReading() {
        std::lock_guard<std::mutex> held(lock_);
        readingEnded_ = true;
        changed_.notify_all();
    }
    void Finished(std::size_t index, ChartWork work) {
        std::lock_guard<std::mutex> held(lock_);
        work.Done = true;
        for (const LibraryPart& part : work.Chart.Parts) ++(part.Written ? written_ : stopped_);
        work_[index] = std::move(work);
        changed_.notify_all();
    }
    void PutBack(std::size_t index, ChartWork work) {
        std::lock_guard<std::mutex> held(lock_);
        work_[index] = std::move(work);
    }
    void ThreadEnded() {
        std::lock_guard<std::mutex> held(lock_);
        ++threadsEnded_;
        changed_.notify_all();
    }
    // Waits for a change, at most `most`; whether every thread has ended.
    bool Wait(std::chrono::milliseconds most, std::size_t threads) {
        std::unique_lock<std::mutex> held(lock_);
        changed_.wait_for(held, most);
        return threadsEnded_ == threads;
    }
    void Wake() { changed_.notify_all(); }
    // The work of a chart once it is done, for the calling thread to tell.
    std::optional<ChartWork> TakeDone(std::size_t index) {
        std::lock_guard<std::mutex> held(lock_);
        if (!work_[index].Done) return std::nullopt;
        return std::move(work_[index]);
    }
    void Count(std::size_t& chartsDone, std::size_t& written, std::size_t& stopped) {
        std::lock_guard<std::mutex> held(lock_);
        chartsDone = std::count_if(work_.begin(), work_.end(), [](const ChartWork& w) { return w.Done; });
        written = written_;
        stopped = stopped_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<ChartWork> work_;
    std::size_t nextOnDisk_ = 0;
    std::deque<Task> queue_;
    std::size_t queueRoom_;
    bool readingEnded_ = false;
    std::size_t threadsEnded_ = 0;
    std::size_t written_ = 0;
    std::size_t stopped_ = 0;
};

// Whether every file of the chart is at its name or has stopped; fills in
// those that could not be put there.
bool Settled(ChartWork& work, const CommitWave& wave) {
    for (std::size_t i = 0; i < work.Waiting.size(); ++i) {
        if (!work.Waiting[i]) continue;
        const std::optional<std::string> outcome = wave.Outcome(*work.Waiting[i]);
        if (!outcome) return false;
        if (!outcome->empty()) {
            work.Chart.Parts[i].Written = false;
            work.Chart.Parts[i].StopReason = *outcome;
        }
        work.Waiting[i].reset();
    }
    return true;
}

}  // namespace

bool NamesLibrary(const std::string& path) { return IsFolder(path) || NamesArchive(path); }

bool LibraryChart::Stopped() const {
    return !StopReason.empty() ||
           std::any_of(Parts.begin(), Parts.end(), [](const LibraryPart& part) { return !part.Written; });
}

std::string LibraryReport::Summary() const {
    return std::to_string(Songs) + (Songs == 1 ? " song, " : " songs, ") + std::to_string(PartsWritten) +
           (PartsWritten == 1 ? " part written, " : " parts written, ") + std::to_string(PartsStopped + ChartsStopped) +
           " stopped, " + std::to_string(ChartsSkipped) + (ChartsSkipped == 1 ? " chart skipped" : " charts skipped");
}

bool LibraryReport::AllWritten() const {
    return StopReason.empty() && !Cancelled && Refused.empty() &&
           std::none_of(Charts.begin(), Charts.end(), [](const LibraryChart& chart) { return chart.Stopped(); });
}

std::optional<LibraryPlan> PlanLibrary(const LibrarySettings& settings, std::string& reason) {
    LibraryListing listing;
    const bool archive = !IsFolder(settings.Library);
    if (archive) {
        std::optional<ArchiveLibrary> opened = ArchiveLibrary::Open(settings.Library, reason);
        if (!opened) return std::nullopt;
        listing = opened->List(settings.EveryChart, kLargestChart);
    } else {
        listing = ListFolderLibrary(settings.Library, settings.EveryChart);
    }
    if (listing.Charts.empty() && !listing.StopReason.empty()) {
        reason = listing.StopReason;
        return std::nullopt;
    }
    return LibraryPlan{listing.Songs, listing.Charts.size(), OutputRootOf(settings, archive)};
}

LibraryReport ConvertLibrary(const LibrarySettings& settings, LibraryListener& listener,
                             const std::atomic<bool>& cancel) {
    const Clock::time_point start = Clock::now();
    LibraryReport report;
    const bool archive = !IsFolder(settings.Library);
    const std::uint64_t largest = settings.LargestChart;
    report.OutputFolder = OutputRootOf(settings, archive);
    std::optional<ArchiveLibrary> opened =
        archive ? ArchiveLibrary::Open(settings.Library, report.StopReason) : std::nullopt;
    LibraryListing listing;
    if (archive) {
        if (!opened) return report;
        listing = opened->List(settings.EveryChart, largest);
    } else {
        listing = ListFolderLibrary(settings.Library, settings.EveryChart);
    }
    report.StopReason = listing.StopReason;
    report.Refused = listing.Refused;
    report.Songs = listing.Songs;
    for (const LibraryRefusal& refusal : report.Refused) listener.Refused(refusal);
    for (const ListedChart& chart : listing.Charts) report.ChartsSkipped += chart.Skipped.size();
    if (listing.Charts.empty()) return report;

    std::string reason;
    std::optional<LibraryOutput> output = LibraryOutput::Prepare(settings, archive, reason);
    if (!output) {
        report.StopReason = reason;
        return report;
    }

    // Interrupts wait while the run goes on, on every thread it starts: one
    // that comes ends the run as a cancel does, between charts, and is let
    // through once every file is whole at its name or gone. No file is ever
    // left with a temporary name, whichever thread was naming files.
    const HeldSignals interrupts;
    std::atomic<bool> stopping{false};
    const std::size_t charts = listing.Charts.size();
    const unsigned jobs = static_cast<unsigned>(
        std::min<std::size_t>(settings.Jobs == 0 ? ProcessorsAvailable() : settings.Jobs, charts));
    CommitWave wave(FilesThatMayWait(jobs));
    RunState state(charts, jobs);

    auto pathOf = [&](const ListedChart& listed) {
        const std::string inLibrary = listed.Folder.empty() ? listed.Name : listed.Folder + "/" + listed.Name;
        return settings.Library + (settings.Library.back() == '/' ? "" : "/") + inLibrary;
    };
    auto convert = [&](std::size_t index, const std::string* bytes, const std::string& unreadable) {
        ChartWork work;
        const ListedChart& listed = listing.Charts[index];
        work.Chart.Folder = listed.Folder;
        work.Chart.Chart = listed.Name;
        work.Chart.Skipped = listed.Skipped;
        if (!unreadable.empty()) {
            work.Chart.StopReason = unreadable;
        } else {
            try {
                ConvertListed(settings, listed, *output, pathOf(listed), bytes, wave, work);
            } catch (const std::bad_alloc&) {
                work.Chart.StopReason = kChartTooLargeForMemory;
            }
        }
        state.Finished(index, std::move(work));
    };

    std::vector<std::thread> threads;
    std::thread reader;
    if (archive) {
        // The charts are read in the archive's order, which need not be the
        // library's; each is handed on once a thread has room for it, so no
        // more than a few charts are held at once.
        std::vector<std::size_t> wanted;
        std::map<std::size_t, std::size_t> indexOf;
        for (std::size_t i = 0; i < charts; ++i) {
            wanted.push_back(listing.Charts[i].Entry);
            indexOf[listing.Charts[i].Entry] = i;
        }
        std::sort(wanted.begin(), wanted.end());
        reader = std::thread([&, wanted = std::move(wanted), indexOf = std::move(indexOf)] {
            std::vector<bool> handed(charts, false);
            const std::string stop = opened->Read(wanted, largest, [&](std::size_t entry, std::string bytes,
                                                                       const std::string& why) {
                const std::size_t index = indexOf.at(entry);
                handed[index] = true;
                return state.Hand(Task{index, std::move(bytes), why}, stopping);
            });
            // Charts the archive ended before stop with its reason.
            if (!stop.empty() && !stopping) {
                for (std::size_t i = 0; i < charts; ++i)
                    if (!handed[i] && !state.Hand(Task{i, {}, stop}, stopping)) break;
            }
            state.EndReading();
        });
    }
    for (unsigned t = 0; t < jobs; ++t) {
        threads.emplace_back([&] {
            while (!stopping) {
                std::optional<Task> task = archive ? state.NextRead() : state.NextOnDisk();
                if (!task) break;
                convert(task->Index, archive && task->Unreadable.empty() ? &task->Bytes : nullptr, task->Unreadable);
            }
            state.ThreadEnded();
        });
    }

    // Tells each chart once it and every chart before it are done and their
    // files at their names, and how far the run has come in between.
    std::size_t told = 0;
    auto tellSettled = [&] {
        while (told < charts) {
            std::optional<ChartWork> work = state.TakeDone(told);
            if (!work) break;
            if (!Settled(*work, wave)) {
                state.PutBack(told, std::move(*work));  // until its wave is committed
                break;
            }
            for (const LibraryPart& part : work->Chart.Parts) ++(part.Written ? report.PartsWritten : report.PartsStopped);
            if (!work->Chart.StopReason.empty()) ++report.ChartsStopped;
            listener.ChartDone(work->Chart);
            report.Charts.push_back(std::move(work->Chart));
            ++told;
        }
    };
    auto progress = [&] {
        LibraryProgress now;
        now.Songs = report.Songs;
        std::size_t chartsDone = 0;
        state.Count(chartsDone, now.PartsWritten, now.PartsStopped);
        // Songs done, counted by charts: a song's first chart done counts it.
        now.SongsDone = report.Songs * chartsDone / charts;
        now.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
        listener.Progressed(now);
    };
    while (!state.Wait(std::chrono::milliseconds(100), jobs)) {
        if ((cancel || HeldSignals::OneWaits()) && !stopping) {
            stopping = true;
            state.Wake();  // the reader waiting for room sees it
        }
        tellSettled();
        progress();
    }
    for (std::thread& thread : threads) thread.join();
    if (reader.joinable()) {
        state.EndReading();
        reader.join();
    }
    // What was written is put at its names, a stop or not.
    wave.Commit();
    tellSettled();
    progress();
    report.Cancelled = stopping && told < charts;
    return report;
}

}  // namespace stepquill
