#include "library_output.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "archive_library.h"
#include "shared_folder_links.h"

namespace stepquill {

namespace {

// Makes the folder when it is missing; empty when it is a folder by now.
std::string MakeFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        return "cannot create the folder " + folder + " (" + std::strerror(errno) + ")";
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return "cannot create the folder " + folder + " (a file of that name is in the way)";
    return {};
}

}  // namespace

std::string OutputRootOf(const LibrarySettings& settings, bool archive) {
    std::string root = !settings.OutputFolder.empty() ? settings.OutputFolder
                       : archive                      ? WithoutArchiveEnding(settings.Library)
                                                      : settings.Library;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

std::optional<LibraryOutput> LibraryOutput::Prepare(const LibrarySettings& settings, bool archive,
                                                    std::string& reason) {
    const std::string root = OutputRootOf(settings, archive);
    if (!LinksOnTheWayMayBeFollowed(root, reason)) return std::nullopt;
    reason = MakeFolder(root);
    if (!reason.empty()) return std::nullopt;
    return LibraryOutput(root);
}

std::string LibraryOutput::FolderFor(const std::string& songFolder, std::string& reason) const {
    std::string folder = root_;
    std::size_t at = 0;
    while (at < songFolder.size()) {
        std::size_t slash = songFolder.find('/', at);
        if (slash == std::string::npos) slash = songFolder.size();
        folder += '/';
        folder.append(songFolder, at, slash - at);
        at = slash + 1;
        reason = MakeFolder(folder);
        if (!reason.empty()) return {};
    }
    return folder;
}

}  // namespace stepquill
