#pragma once

#include <optional>
#include <string>

#include "library_run.h"

namespace stepquill {

// Where a library's files go: the output folder, mirroring the library's
// folders; without one, beside each chart of a folder, or in a folder named
// after an archive beside it.
std::string OutputRootOf(const LibrarySettings& settings, bool archive);

class LibraryOutput {
public:
    // The output's top folder, made when it is missing and its parent is
    // there. None, with the reason, when it cannot be used.
    static std::optional<LibraryOutput> Prepare(const LibrarySettings& settings, bool archive, std::string& reason);
    // The folder a song folder's files go into, made as far as it is
    // missing; empty, with the reason, when it cannot be. `songFolder` is
    // relative and holds no ".." step, so nothing lands outside the top.
    std::string FolderFor(const std::string& songFolder, std::string& reason) const;

private:
    explicit LibraryOutput(std::string root) : root_(std::move(root)) {}
    std::string root_;
};

}  // namespace stepquill
