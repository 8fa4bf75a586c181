#include "library_command.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "library_report_json.h"
#include "library_run.h"
#include "timing_file.h"

namespace stepquill {

namespace {

// What the run tells, on standard error: a line per chart stopped or part
// written, and on a terminal a progress line redrawn in place.
class CommandListener final : public LibraryListener {
public:
    CommandListener(DescriptorWriter& errors, const LibrarySettings& settings, bool quiet)
        : errors_(errors), settings_(settings), quiet_(quiet), progressShown_(!quiet && ::isatty(STDERR_FILENO)) {}

    void Refused(const LibraryRefusal& refusal) override {
        Line("warning: " + InLibrary(refusal.Entry) + ": " + refusal.Reason + "; skipped");
    }
    void ChartDone(const LibraryChart& chart) override {
        const std::string folder = chart.Folder.empty() ? std::string() : chart.Folder + "/";
        if (!quiet_)
            for (const std::string& skipped : chart.Skipped)
                Line("skipped " + InLibrary(folder + skipped) + ": the folder's " + chart.Chart + " is its chart");
        if (!chart.StopReason.empty()) Line(InLibrary(folder + chart.Chart) + ": " + chart.StopReason);
        for (const LibraryPart& part : chart.Parts) {
            if (!part.Written)
                Line(part.OutputPath + ": " + part.StopReason);
            else if (!quiet_)
                Line("wrote " + std::to_string(part.Records) + " records to " + part.OutputPath);
        }
    }
    void Progressed(const LibraryProgress& progress) override {
        if (!progressShown_ || progress.Seconds - lastShown_ < 0.1) return;
        lastShown_ = progress.Seconds;
        std::string line = std::to_string(progress.SongsDone) + "/" + std::to_string(progress.Songs) + " songs, " +
                           std::to_string(progress.PartsWritten) + " parts written, " +
                           std::to_string(progress.PartsStopped) + " stopped, " + Seconds(progress.Seconds);
        if (progress.SongsDone > 0 && progress.SongsDone < progress.Songs) {
            const double left =
                progress.Seconds * static_cast<double>(progress.Songs - progress.SongsDone) / progress.SongsDone;
            line += ", about " + Seconds(left) + " left";
        }
        errors_.Write("\r" + line + "\x1b[K");
        errors_.Flush();
        drawn_ = true;
    }
    // Clears the progress line, for a line of its own or the end.
    void ClearProgress() {
        if (!drawn_) return;
        errors_.Write("\r\x1b[K");
        drawn_ = false;
    }
    void Line(const std::string& text) {
        ClearProgress();
        errors_.WriteText("stepquill-convert: " + text);
        errors_.Write("\n");
        errors_.Flush();
    }

private:
    std::string InLibrary(const std::string& name) const {
        return settings_.Library + (settings_.Library.back() == '/' ? "" : "/") + name;
    }
    static std::string Seconds(double seconds) {
        char text[32];
        std::snprintf(text, sizeof text, seconds < 10 ? "%.1f s" : "%.0f s", seconds);
        return text;
    }

    DescriptorWriter& errors_;
    const LibrarySettings& settings_;
    bool quiet_;
    bool progressShown_;
    bool drawn_ = false;
    double lastShown_ = -1;
};

// The report, whole at its name or not at all, like every file written.
bool WriteReport(const std::string& path, const std::string& json, std::string& reason) {
    std::optional<TimingFileWriter> file = TimingFileWriter::Create(path, reason);
    return file && file->Take(json, reason) && file->Commit(reason);
}

}  // namespace

int ConvertLibraryCommand(const Options& options, DescriptorWriter& errors) {
    LibrarySettings settings;
    settings.Library = options.Chart;
    settings.OutputFolder = options.Output.value_or("");
    settings.EveryChart = options.EveryChart;
    settings.Jobs = options.Jobs;
    settings.Encoding = options.Encoding.value_or("");
    ConversionRequest& request = settings.Conversion;
    request.Tokens = options.Tokens;
    request.ShiftMs = options.ShiftMs.value_or(0);
    request.Device.Format = options.Format;
    request.Device.Lengths = options.Lengths;
    request.Device.Zero = options.Zero;
    request.Device.Unit = options.Unit;

    CommandListener listener(errors, settings, options.Quiet);
    const std::atomic<bool> never{false};
    const LibraryReport report = ConvertLibrary(settings, listener, never);
    if (!report.StopReason.empty()) listener.Line(settings.Library + ": " + report.StopReason);
    if (options.Report) {
        std::string reason;
        if (!WriteReport(*options.Report, LibraryReportJson(settings, report), reason)) {
            listener.Line(*options.Report + ": " + reason);
            return EXIT_FAILURE;
        }
    }
    listener.ClearProgress();
    if (!options.Quiet) listener.Line(report.Summary());
    errors.Flush();
    return report.AllWritten() ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace stepquill
