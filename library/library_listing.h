#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "library_run.h"

namespace stepquill {

// A chart file a library holds, and the song folder it is the chart of.
struct ListedChart {
    std::string Folder;  // relative to the library, "" for the library itself
    std::string Name;    // the chart's file name
    std::vector<std::string> Skipped;  // the folder's charts not converted
    std::size_t Entry = 0;  // its place in an archive
    // Another chart converted from the folder has the same name but for
    // its ending, so the files of this one are named with it ("song.sm").
    bool NamedWithEnding = false;
};

// What a library holds, in library order: songs by folder, the charts of
// each by name.
struct LibraryListing {
    std::vector<ListedChart> Charts;
    std::size_t Songs = 0;
    std::vector<LibraryRefusal> Refused;
    std::string StopReason;  // the listing ended early for it
};

// A file of a library, by its path relative to the library.
struct LibraryFile {
    std::string Path;
    std::size_t Entry = 0;
};

// Groups the library's files into song folders and chooses the charts each
// converts.
void PlanSongs(const std::vector<LibraryFile>& files, bool everyChart, LibraryListing& listing);

// The chart files under a folder, down through its folders but not through
// links to folders, which could lead back up or out of it.
LibraryListing ListFolderLibrary(const std::string& folder, bool everyChart);

}  // namespace stepquill
