#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
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

// Given the notes of the chart a reading looks for, as they are read; it
// reads the parameter with StreamParameter and returns how it ended.
using NotesReader = std::function<ValueReader::End(ValueReader&)>;

// Whether the reading has listed enough once it has listed a chart with
// this key.
using ListedEnough = std::function<bool(const std::string& key)>;

// Reads the title, the song's timing and the dance-single charts. The notes
// of the chart whose key is `wantedKey` go to `readWanted`, those of every
// other chart are passed over. With `enough`, the reading ends early once
// it says so: the timing is then not the song's. False when the file could
// not be read.
bool ReadSimfile(ChartSource& source, SimfileFormat format, Simfile& simfile, std::string_view wantedKey = {},
                 const NotesReader& readWanted = {}, const ListedEnough& enough = {});

}  // namespace stepquill::stepmania
