#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library_listing.h"

namespace stepquill {

struct ArchiveFunctions;

// Whether a file's name ends as an archive's does (.zip, .tar, .tar.gz,
// .7z...).
bool NamesArchive(std::string_view path);
// The archive's path without its ending: "packs.tar.gz" gives "packs".
std::string WithoutArchiveEnding(std::string_view path);

// An archive of song folders, read as a stream and never unpacked to disk.
// It is read twice, first its entries' names, then the charts' bytes, from
// the same opening of the file.
class ArchiveLibrary {
public:
    static std::optional<ArchiveLibrary> Open(const std::string& path, std::string& reason);
    ArchiveLibrary(ArchiveLibrary&& other) noexcept;
    ArchiveLibrary& operator=(ArchiveLibrary&&) = delete;
    ~ArchiveLibrary();

    // The charts the archive holds, and each entry refused with its reason:
    // a name that could lead out of the folder it is unpacked into, a link,
    // a device, a folder named as a chart, a repeated name, an encrypted
    // entry, one larger than `largest`, an archive inside the archive.
    LibraryListing List(bool everyChart, std::uint64_t largest);

    // Reads the entries numbered in `wanted` (in increasing order), handing
    // each its bytes, or the reason it cannot be read, to `take`, which
    // returns false to stop. No entry expands beyond `largest` bytes in
    // memory. Empty when every entry was read; otherwise why the archive
    // ended before its last wanted entry.
    std::string Read(const std::vector<std::size_t>& wanted, std::uint64_t largest,
                     const std::function<bool(std::size_t, std::string bytes, const std::string& reason)>& take);

private:
    ArchiveLibrary(std::string path, int descriptor, std::shared_ptr<const ArchiveFunctions> functions)
        : path_(std::move(path)), descriptor_(descriptor), functions_(std::move(functions)) {}
    std::string path_;
    int descriptor_ = -1;
    std::shared_ptr<const ArchiveFunctions> functions_;
};

}  // namespace stepquill
