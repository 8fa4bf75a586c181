#pragma once

#include <optional>
#include <string>

#include "arrow_tokens.h"
#include "chart_formats.h"
#include "device_file.h"

namespace stepquill {

// What stepquill-convert is asked to do. A part is converted when
// Difficulty is given, every part with All; otherwise the chart's
// information is printed.
struct Options {
    std::string Chart;
    std::optional<std::string> Difficulty;
    std::optional<std::string> Output;  // never empty
    bool Quiet = false;
    bool All = false;
    bool Json = false;
    std::optional<double> ShiftMs;
    std::optional<std::string> Encoding;  // one this system can decode
    std::optional<ChartFormat> NamedFormat;  // --chart-format: the chart's, whatever its name or tags
    ArrowTokens Tokens;
    // The timing file, or a device's timeline: its format and how it plays.
    OutputFormat Format = OutputFormat::Kvt;
    PressLengths Lengths;
    TimeZero Zero = TimeZero::Music;
    TimeUnit Unit = TimeUnit::Microseconds;
    // A library (a folder or an archive) with --all: every song's chart,
    // not only the one the game loads; on how many threads (0: every
    // processor); and where its JSON report goes.
    bool EveryChart = false;
    unsigned Jobs = 0;
    std::optional<std::string> Report;
    bool Library = false;  // --all of a folder or an archive
};

// Reads the command line into `options`. Returns the exit status to end
// with at once, after --help, --version or a usage error (each already
// printed), or none when the run goes on.
std::optional<int> ReadCommandLine(int argc, char** argv, Options& options);

}  // namespace stepquill
