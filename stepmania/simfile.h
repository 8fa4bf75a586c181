#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chart_source.h"
#include "timing_data.h"
#include "value_reader.h"

namespace stepquill::stepmania {

// A dance-single chart of a .sm or .ssc file.
struct ChartListing {
    std::string Key;         // "Hard(9)", a repeated one "Hard(9)#2"
    std::string Difficulty;  // "Hard"
    int Meter = 0;
    bool HasNotes = false;          // false for a value that ends before them
    std::uint64_t NotesOffset = 0;  // where its notes parameter starts
    bool OwnTiming = false;         // an .ssc chart with timing of its own
    TimingData Timing;              // that timing, settled and tidied
};

struct Simfile {
    std::string Title;
    std::string Subtitle;
    std::string Artist;
    TimingData SongTiming;  // settled and tidied
    std::vector<ChartListing> Charts;
    // Whether the file holds a chart's tag at all (#NOTES in .sm, #NOTEDATA
    // in .ssc), whatever its steps type: a file without one is no chart.
    bool HasChartTag = false;

    const TimingData& TimingOf(const ChartListing& chart) const {
        return chart.OwnTiming ? chart.Timing : SongTiming;
    }
};

enum class SimfileFormat { Sm, Ssc };

// Reads the title, the song's timing and the dance-single charts, passing
// over every chart's notes. False when the file could not be read.
bool ReadSimfile(ChartSource& source, SimfileFormat format, Simfile& simfile);

}  // namespace stepquill::stepmania
