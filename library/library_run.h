#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <vector>

#include "conversion_request.h"

namespace stepquill {

// A library of songs the way the game keeps them: a song folder, a pack of
// song folders, a folder of packs, or any of these in an archive (.zip,
// .tar, .tar.gz, .7z...). Each song folder's chart is converted part by
// part, on as many threads as asked.
struct LibrarySettings {
    std::string Library;  // the folder or the archive
    // Where the files go, mirroring the library's folders. Empty: beside
    // each chart for a folder, and into a folder named after an archive
    // beside it ("packs.zip" writes into "packs/").
    std::string OutputFolder;
    // Every chart file of a song folder, not only the one the game loads.
    bool EveryChart = false;
    unsigned Jobs = 1;  // 0: as many as the processors available
    // The tokens, shift and output format of every conversion; its chart,
    // part and output are the library's.
    ConversionRequest Conversion;
    std::string Encoding;  // of the charts' texts; empty: guessed per chart
    // No chart of an archive is taken into memory beyond this many bytes.
    std::uint64_t LargestChart = std::uint64_t{1} << 30;
};

// Whether a path is taken as a library rather than a chart: a folder, or a
// file whose name ends as an archive does.
bool NamesLibrary(const std::string& path);
// The endings, in lower case, of the archives a library may be read from
// (".zip", ".tar.gz", ".7z"...), matched in any case.
std::span<const std::string_view> ArchiveEndings();

// One part converted, or stopped.
struct LibraryPart {
    std::string Part;        // its display text, as the chart lists it
    std::string OutputPath;  // the file it went, or would have gone, into
    bool Written = false;
    std::size_t Records = 0;
    std::string StopReason;
};

// One chart of a song folder, and what became of each of its parts.
struct LibraryChart {
    std::string Folder;  // the song folder, as the library names it ("" for the library itself)
    std::string Chart;   // the chart's file name
    std::vector<std::string> Skipped;  // the folder's other chart files, not converted
    std::vector<LibraryPart> Parts;
    std::string StopReason;  // the chart could not be read or converted at all
    bool Stopped() const;    // the chart, or one of its parts, stopped
};

// An entry of the library that was not taken, and why ("a link",
// "a name with ..", "larger than a chart may be"...).
struct LibraryRefusal {
    std::string Entry;
    std::string Reason;
};

// How far a run has come, for a progress line.
struct LibraryProgress {
    std::size_t SongsDone = 0;
    std::size_t Songs = 0;
    std::size_t PartsWritten = 0;
    std::size_t PartsStopped = 0;
    double Seconds = 0;  // since the run began
};

// What a run tells as it goes, always on the thread that called
// ConvertLibrary and in library order, whichever chart finished first.
class LibraryListener {
public:
    virtual ~LibraryListener() = default;
    virtual void Refused(const LibraryRefusal& refusal) { (void)refusal; }
    virtual void ChartDone(const LibraryChart& chart) { (void)chart; }
    // Called often; the listener decides how often to show it.
    virtual void Progressed(const LibraryProgress& progress) { (void)progress; }
};

// The whole run, in library order.
struct LibraryReport {
    std::vector<LibraryChart> Charts;
    std::vector<LibraryRefusal> Refused;
    std::size_t Songs = 0;
    std::size_t PartsWritten = 0;
    std::size_t PartsStopped = 0;
    std::size_t ChartsStopped = 0;  // as a whole, before any part
    std::size_t ChartsSkipped = 0;
    std::string OutputFolder;  // where the files went, as LibraryPlan says
    // The library could not be read at all, or not to its end (a truncated
    // archive): what was read before is converted all the same.
    std::string StopReason;
    bool Cancelled = false;
    // "1000 songs, 3987 parts written, 0 stopped, 12 charts skipped"
    std::string Summary() const;
    // Whether every part of every song was written.
    bool AllWritten() const;
};

// What a library holds before it is converted: how many songs, and where
// their files go. None, with the reason, when it cannot be read.
struct LibraryPlan {
    std::size_t Songs = 0;
    std::size_t Charts = 0;
    std::string OutputFolder;  // where the files go; empty: beside each chart
};
std::optional<LibraryPlan> PlanLibrary(const LibrarySettings& settings, std::string& reason);

// Converts the library. Every file is written whole or not at all, and all
// of them are on the disk when it returns. `cancel` set stops the run
// between charts: what was written stays, whole.
LibraryReport ConvertLibrary(const LibrarySettings& settings, LibraryListener& listener,
                             const std::atomic<bool>& cancel);

}  // namespace stepquill
