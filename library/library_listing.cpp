#include "library_listing.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "song_charts.h"

namespace stepquill {

namespace {

namespace fs = std::filesystem;

void ListFolder(const fs::path& root, const fs::path& relative, std::vector<LibraryFile>& files,
                LibraryListing& listing) {
    std::error_code error;
    fs::directory_iterator entries(root / relative, error);
    if (error) {
        listing.Refused.push_back({relative.empty() ? root.string() : relative.string(),
                                   "cannot read the folder (" + error.message() + ")"});
        return;
    }
    std::vector<fs::directory_entry> found;
    for (const fs::directory_entry& entry : entries) found.push_back(entry);
    for (const fs::directory_entry& entry : found) {
        const fs::path name = relative / entry.path().filename();
        std::error_code kind;
        if (entry.is_symlink(kind) && entry.is_directory(kind)) continue;
        if (entry.is_directory(kind))
            ListFolder(root, name, files, listing);
        else if (entry.is_regular_file(kind) && IsChartName(entry.path().filename().string()))
            files.push_back({name.string(), 0});
    }
}

std::string Stem(const std::string& name) { return name.substr(0, name.rfind('.')); }

}  // namespace

void PlanSongs(const std::vector<LibraryFile>& files, bool everyChart, LibraryListing& listing) {
    std::map<std::string, std::vector<const LibraryFile*>> folders;
    for (const LibraryFile& file : files) {
        const std::size_t slash = file.Path.rfind('/');
        folders[slash == std::string::npos ? std::string() : file.Path.substr(0, slash)].push_back(&file);
    }
    for (const auto& [folder, inFolder] : folders) {
        std::map<std::string, const LibraryFile*> byName;
        std::vector<std::string> names;
        for (const LibraryFile* file : inFolder) {
            std::string name = folder.empty() ? file->Path : file->Path.substr(folder.size() + 1);
            byName.emplace(name, file);
            names.push_back(std::move(name));
        }
        SongCharts charts = ChooseSongCharts(std::move(names), everyChart);
        if (charts.Converted.empty()) continue;
        ++listing.Songs;
        std::map<std::string, std::size_t> stems;
        for (const std::string& name : charts.Converted) ++stems[Stem(name)];
        for (std::size_t i = 0; i < charts.Converted.size(); ++i) {
            const std::string& name = charts.Converted[i];
            ListedChart chart{folder, name, {}, byName[name]->Entry, stems[Stem(name)] > 1};
            if (i == 0) chart.Skipped = charts.Skipped;
            listing.Charts.push_back(std::move(chart));
        }
    }
}

LibraryListing ListFolderLibrary(const std::string& folder, bool everyChart) {
    LibraryListing listing;
    std::vector<LibraryFile> files;
    ListFolder(fs::path(folder), fs::path(), files, listing);
    PlanSongs(files, everyChart, listing);
    return listing;
}

}  // namespace stepquill
