#include "archive_library.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <utility>

#include "archive_functions.h"
#include "library_run.h"
#include "song_charts.h"

namespace stepquill {

namespace {

constexpr std::string_view kArchiveEndings[] = {".tar.gz", ".tar.bz2", ".tar.xz", ".tar.zst", ".tar.lz", ".tgz",
                                                 ".tbz2",   ".txz",     ".zip",    ".tar",     ".7z",     ".cpio",
                                                 ".iso",    ".rar",     ".gz",     ".bz2",     ".xz",     ".zst"};

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    for (std::size_t i = 0; i < ending.size(); ++i) {
        char c = text[text.size() - ending.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ending[i]) return false;
    }
    return true;
}

struct ArchiveFree {
    const ArchiveFunctions* With;
    void operator()(archive* reading) const { With->ReadFree(reading); }
};
using Reading = std::unique_ptr<archive, ArchiveFree>;

// A reading of the archive from its first byte.
Reading StartReading(const ArchiveFunctions& a, int descriptor, std::string& reason) {
    if (::lseek(descriptor, 0, SEEK_SET) != 0) {
        reason = "cannot read the archive (" + std::string(std::strerror(errno)) + ")";
        return nullptr;
    }
    Reading reading(a.ReadNew(), ArchiveFree{&a});
    if (!reading) {
        reason = "cannot read the archive (out of memory)";
        return nullptr;
    }
    a.SupportFilterAll(reading.get());
    a.SupportFormatAll(reading.get());
    if (a.OpenFd(reading.get(), descriptor, 64 * 1024) != ARCHIVE_OK) {
        const char* why = a.ErrorString(reading.get());
        reason = "cannot read the archive (" + std::string(why ? why : "not an archive this program reads") + ")";
        return nullptr;
    }
    return reading;
}

std::string ArchiveFailure(const ArchiveFunctions& a, archive* reading) {
    const char* why = a.ErrorString(reading);
    return "the archive cannot be read past this point (" + std::string(why ? why : "it is damaged") + ")";
}

// The entry's name as a path inside the folder it would be unpacked into,
// without "." steps or repeated slashes; empty, with the reason, for a name
// that could lead out of that folder or that no file system holds.
std::string CleanName(const char* raw, std::string& reason) {
    if (raw == nullptr || *raw == '\0') {
        reason = "a name that cannot be read";
        return {};
    }
    const std::string_view name(raw);
    if (name.front() == '/') {
        reason = "a name that starts with /";
        return {};
    }
    std::string clean;
    std::size_t at = 0;
    while (at <= name.size()) {
        std::size_t slash = name.find('/', at);
        if (slash == std::string_view::npos) slash = name.size();
        const std::string_view step = name.substr(at, slash - at);
        at = slash + 1;
        if (step.empty() || step == ".") continue;
        if (step == "..") {
            reason = "a name with ..";
            return {};
        }
        if (step.size() > 255) {
            reason = "a name longer than 255 bytes";
            return {};
        }
        if (!clean.empty()) clean += '/';
        clean += step;
    }
    return clean;  // empty for the archive's top folder itself
}

}  // namespace

std::span<const std::string_view> ArchiveEndings() { return kArchiveEndings; }

bool NamesArchive(std::string_view path) {
    for (std::string_view ending : kArchiveEndings)
        if (EndsWithNoCase(path, ending) && path.size() > ending.size()) return true;
    return false;
}

std::string WithoutArchiveEnding(std::string_view path) {
    for (std::string_view ending : kArchiveEndings)
        if (EndsWithNoCase(path, ending) && path.size() > ending.size())
            return std::string(path.substr(0, path.size() - ending.size()));
    return std::string(path);
}

std::optional<ArchiveLibrary> ArchiveLibrary::Open(const std::string& path, std::string& reason) {
    std::shared_ptr<const ArchiveFunctions> functions = ArchiveFunctions::Load(reason);
    if (!functions) return std::nullopt;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        reason = "cannot open " + path + " (" + std::strerror(errno) + ")";
        return std::nullopt;
    }
    return ArchiveLibrary(path, descriptor, std::move(functions));
}

ArchiveLibrary::ArchiveLibrary(ArchiveLibrary&& other) noexcept
    : path_(std::move(other.path_)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      functions_(std::move(other.functions_)) {}

ArchiveLibrary::~ArchiveLibrary() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

LibraryListing ArchiveLibrary::List(bool everyChart, std::uint64_t largest) {
    const ArchiveFunctions& a = *functions_;
    LibraryListing listing;
    Reading reading = StartReading(*functions_, descriptor_, listing.StopReason);
    if (!reading) return listing;
    std::vector<LibraryFile> files;
    std::set<std::string> names;
    archive_entry* entry = nullptr;
    for (std::size_t number = 0;; ++number) {
        const int status = a.NextHeader(reading.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status < ARCHIVE_WARN) {
            listing.StopReason = ArchiveFailure(a, reading.get());
            break;
        }
        const char* raw = a.Pathname(entry);
        auto refuse = [&](const std::string& why) { listing.Refused.push_back({raw ? raw : "", why}); };
        std::string reason;
        const std::string name = CleanName(raw, reason);
        const mode_t type = a.Filetype(entry);
        if (name.empty() && !(type == AE_IFDIR && reason.empty())) {
            refuse(reason.empty() ? "a name that cannot be read" : reason);
        } else if (type == AE_IFDIR) {
            if (IsChartName(name)) refuse("a folder where a chart is expected");
        } else if (a.Hardlink(entry) != nullptr || type == AE_IFLNK) {
            refuse("a link");
        } else if (type != AE_IFREG) {
            refuse("a device or a special file");
        } else if (!names.insert(name).second) {
            refuse("repeats an earlier entry's name");
        } else if (a.IsEncrypted(entry)) {
            refuse("encrypted");
        } else if (NamesArchive(name)) {
            refuse("an archive inside the archive (not opened)");
        } else if (IsChartName(name)) {
            if (a.SizeIsSet(entry) && static_cast<std::uint64_t>(a.Size(entry)) > largest)
                refuse("larger than a chart may be");
            else
                files.push_back({name, number});
        }
        if (a.DataSkip(reading.get()) < ARCHIVE_WARN) {
            listing.StopReason = ArchiveFailure(a, reading.get());
            break;
        }
    }
    PlanSongs(files, everyChart, listing);
    return listing;
}

std::string ArchiveLibrary::Read(const std::vector<std::size_t>& wanted, std::uint64_t largest,
                                 const std::function<bool(std::size_t, std::string, const std::string&)>& take) {
    const ArchiveFunctions& a = *functions_;
    std::string stop;
    Reading reading = StartReading(*functions_, descriptor_, stop);
    if (!reading) return stop;
    archive_entry* entry = nullptr;
    auto next = wanted.begin();
    for (std::size_t number = 0; next != wanted.end(); ++number) {
        const int status = a.NextHeader(reading.get(), &entry);
        if (status == ARCHIVE_EOF) return "the archive ended before its last chart (it changed since it was listed)";
        if (status < ARCHIVE_WARN) return ArchiveFailure(a, reading.get());
        if (number != *next) continue;  // the next header skips what is left of this entry
        ++next;
        std::string bytes;
        std::string reason;
        char block[64 * 1024];
        for (;;) {
            const la_ssize_t count = a.ReadData(reading.get(), block, sizeof block);
            if (count == 0) break;
            if (count < 0) {
                const char* why = a.ErrorString(reading.get());
                reason = "cannot read the chart from the archive (" + std::string(why ? why : "damaged") + ")";
                break;
            }
            // A small entry that unpacks to far more than a chart may be.
            if (bytes.size() + static_cast<std::uint64_t>(count) > largest) {
                reason = "expands to more than a chart may be";
                break;
            }
            bytes.append(block, static_cast<std::size_t>(count));
        }
        if (!reason.empty()) bytes.clear();
        if (!take(number, std::move(bytes), reason)) return {};
    }
    return {};
}

}  // namespace stepquill
