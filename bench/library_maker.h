#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace stepquill::bench {

// A library of song folders made of copies of real charts, the shape of a
// player's songs: packs of up to 100 song folders, each with the chart the
// game loads and a small music file, some with a second chart of the same
// song in another format.
struct LibraryPlan {
    std::size_t Songs = 0;
    std::filesystem::path Folder;        // made here; must not exist or be empty
    std::filesystem::path DwiCharts;     // the real .dwi charts copied
    std::filesystem::path StepManiaCharts;  // the real .sm and .ssc charts copied
};

// What was made, or why nothing (or not all) was.
struct LibrarySummary {
    std::size_t Packs = 0;
    std::size_t Dwi = 0;  // song folders whose loaded chart is a .dwi
    std::size_t Sm = 0;
    std::size_t Ssc = 0;
    std::size_t SscWithSm = 0;   // of the .ssc folders, those with the song's .sm beside it
    std::size_t SscWithDwi = 0;  // and those with the song's .dwi beside it
    std::uint64_t Bytes = 0;     // of every file written
    std::string Error;           // empty when the whole library was made
};

// Makes the library. The same plan and the same source charts always give
// the same folders and bytes: the sources are taken in name order, round
// robin, by the song's number.
LibrarySummary MakeLibrary(const LibraryPlan& plan);

// "1000 songs in 10 packs: 400 .dwi, 300 .sm, 300 .ssc (100 with a .sm
// beside, 100 with a .dwi beside), 24969216 bytes"
std::string Describe(const LibraryPlan& plan, const LibrarySummary& summary);

}  // namespace stepquill::bench
