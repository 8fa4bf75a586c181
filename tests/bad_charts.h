#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace stepquill::support {

// A chart that a person would not write, with what converting its BASIC
// part must give. The same table drives the core and the converter.
struct BadChart {
    std::string Name;  // letters, digits and "_" only: it names a test
    std::string Bytes;
    // Empty when the chart information reads; otherwise the reason.
    std::string ReadingFailure;
    // The last line of the run's log, starting from a tempo of 120 when
    // the reading leaves none.
    std::string LastLogLine;
    // The timing file after a run that succeeds; none after a stop.
    std::optional<std::string> TimingFile;
    // As on a failing disk, only this many of the bytes can be read, and
    // every read after them fails; none: all can.
    std::optional<std::size_t> ReadableBytes = std::nullopt;
};

std::vector<BadChart> BadCharts();

// Test names show the case by its name, not its bytes.
inline void PrintTo(const BadChart& chart, std::ostream* out) { *out << chart.Name; }

// A chart whose BASIC part holds `steps`, after the header and `timing`
// (tag lines before the part).
std::string ChartWith(const std::string& bpm, const std::string& timing, const std::string& steps,
                      const std::string& gap = "0");

// The length of a chart that is one line without a line end: 100 MB, or a
// fifth of that under the address sanitizer, where every byte read costs
// some ten times as much and the whole would take half a minute.
std::size_t BigLineBytes();

// The difficulty text that the table's charts are converted with.
inline const char* const kDifficulty = "BASIC(5)";

}  // namespace stepquill::support
