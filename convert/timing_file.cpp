#include "timing_file.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "shared_folder_links.h"
#include "temporary_name_guard.h"

namespace stepquill {

namespace {

// Where a chain of links ends, even when its last target does not exist yet,
// so a link is written through and never replaced by a file of its own.
// Empty, with the reason, for a chain that does not end or a link that may
// not be followed. The folders on the way to each name are links too at
// times, which the kernel follows whatever its setting: the rule holds for
// them as for the name itself.
std::string FollowLinks(std::string path, std::string& reason) {
    for (int hops = 0; hops < 40; ++hops) {
        const std::size_t folderEnd = path.rfind('/');
        if (folderEnd != std::string::npos && !LinksOnTheWayMayBeFollowed(path.substr(0, folderEnd + 1), reason))
            return {};
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        if (!MayFollowLink(path, info)) {
            reason = "the output is another user's link in a shared folder";
            return {};
        }
        std::vector<char> buffer(PATH_MAX);
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) break;
        std::string next(buffer.data(), static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        path = std::move(next);
    }
    reason = "the output name is a link that leads nowhere";
    return {};
}

// Whether the caller may give a file without a name its name through its
// descriptor alone (linkat with AT_EMPTY_PATH), which is what is left where
// /proc is not mounted: it takes CAP_DAC_READ_SEARCH.
bool MayLinkDescriptors() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    return (data[CAP_DAC_READ_SEARCH / 32].effective & (1u << (CAP_DAC_READ_SEARCH % 32))) != 0;
}

bool ProcMounted(int descriptor) {
    return ::access(("/proc/self/fd/" + std::to_string(descriptor)).c_str(), F_OK) == 0;
}

// A file in `folder` ("" for the current one) that has no name until it is
// given one, so that a run that is killed or crashes leaves nothing behind;
// -1 where the file system or the system cannot make one, or where it could
// not be named later, neither through /proc nor through its descriptor.
int OpenUnnamedFile(const std::string& folder) {
#ifdef O_TMPFILE
    const int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0) return -1;
    if (ProcMounted(descriptor) || MayLinkDescriptors()) return descriptor;
    ::close(descriptor);
#else
    (void)folder;
#endif
    return -1;
}

// Appends a block at `offset`, which it moves past the block; false with
// the reason when the block could not be written whole.
bool WriteBlock(int descriptor, std::size_t& offset, std::string_view block, std::string& reason) {
    const char* data = block.data();
    std::size_t left = block.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            reason = "cannot write the output file (" + std::string(std::strerror(written < 0 ? errno : ENOSPC)) + ")";
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
#ifdef SYNC_FILE_RANGE_WRITE
    // Start putting a whole block on the disk now, while the walk makes the
    // next one, so that the sync at the end waits for little more than the
    // last. A shorter block is the last, which that sync writes anyway.
    if (block.size() >= kTimingFileBlockBytes)
        ::sync_file_range(descriptor, static_cast<off_t>(offset), static_cast<off_t>(block.size()),
                      SYNC_FILE_RANGE_WRITE);
#endif
    offset += block.size();
    return true;
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::optional<TimingFileWriter> TimingFileWriter::Create(const std::string& targetPath, std::string& reason,
                                                         std::size_t blockBytes, bool unnamed) {
    const std::string target = FollowLinks(targetPath, reason);
    if (target.empty()) return std::nullopt;

    struct stat existing {};
    mode_t mode = NewFileMode();
    const bool replaces = ::stat(target.c_str(), &existing) == 0;
    if (replaces) {
        if (!S_ISREG(existing.st_mode)) {
            reason = "the output name is not a regular file";
            return std::nullopt;
        }
        mode = existing.st_mode & 07777;
    }

    // In the target's folder, where the rename can reach the target. The
    // file gets a name only once it is whole; where it cannot go without
    // one, a short name of its own: the target's name with a suffix would be
    // too long for a target whose name is as long as the file system allows.
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string temporary;
    std::unique_ptr<TemporaryNameGuard> guard;
    int descriptor = unnamed ? OpenUnnamedFile(folder) : -1;
    if (descriptor < 0) {
        std::string pattern = folder + ".stepquill-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        HeldSignals held;  // until the name is guarded
        descriptor = ::mkostemp(name.data(), O_CLOEXEC);
        if (descriptor < 0) {
            reason = "cannot create the output file (" + std::string(std::strerror(errno)) + ")";
            return std::nullopt;
        }
        temporary = name.data();
        guard = std::make_unique<TemporaryNameGuard>(temporary);
    }
    // A file replaced keeps its owner and group where the caller may set
    // them, as it keeps its mode: root converting over a user's timing file
    // must not leave the user a file of root's that they cannot read. The
    // group alone where only it may be set. The mode comes after, since a
    // change of owner clears the set-user and set-group bits.
    if (replaces && ::fchown(descriptor, existing.st_uid, existing.st_gid) != 0)
        ::fchown(descriptor, static_cast<uid_t>(-1), existing.st_gid);
    ::fchmod(descriptor, mode);
    return TimingFileWriter(target, folder, temporary, std::move(guard), descriptor, blockBytes);
}

int TimingFileWriter::Link(const std::string& name) const {
    if (ProcMounted(descriptor_)) {
        const std::string file = "/proc/self/fd/" + std::to_string(descriptor_);
        return ::linkat(AT_FDCWD, file.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
    }
    return ::linkat(descriptor_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
}

bool TimingFileWriter::GiveName(std::string& reason, bool signalsHeld) {
    // A name no other file has: linkat never replaces one.
    const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (static_cast<unsigned long long>(::getpid()) << 32);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%012llx", (seed + attempt * 0x9E3779B97F4A7C15ULL) & 0xFFFFFFFFFFFFULL);
        std::string name = folder_ + ".stepquill-" + suffix;
        // No signal comes between the name and its guard.
        HeldSignals held;
        if (Link(name) == 0) {
            // A caller that holds interrupts off until the rename needs no guard.
            if (!signalsHeld) guard_ = std::make_unique<TemporaryNameGuard>(name);
            temporary_ = std::move(name);
            return true;
        }
        if (errno != EEXIST) break;
    }
    reason = "cannot write the output file (" + std::string(std::strerror(errno)) + ")";
    return false;
}

TimingFileWriter::TimingFileWriter(std::string target, std::string folder, std::string temporary,
                                   std::unique_ptr<TemporaryNameGuard> guard, int descriptor,
                                   std::size_t blockBytes)
    : target_(std::move(target)), folder_(std::move(folder)), temporary_(std::move(temporary)),
      guard_(std::move(guard)), descriptor_(descriptor), blockBytes_(blockBytes) {}

TimingFileWriter::TimingFileWriter(TimingFileWriter&& other) noexcept
    : target_(std::move(other.target_)),
      folder_(std::move(other.folder_)),
      temporary_(std::move(other.temporary_)),
      guard_(std::move(other.guard_)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      blockBytes_(other.blockBytes_),
      written_(other.written_),
      writes_(std::move(other.writes_)) {
    other.temporary_.clear();
}

TimingFileWriter::~TimingFileWriter() { Discard(); }

void TimingFileWriter::Discard() {
    writes_.reset();  // before the file it writes to is closed
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    guard_.reset();
}

bool TimingFileWriter::Take(std::string_view records, std::string& reason) {
    if (!StartWrites(records.size(), reason)) return false;
    const bool taken = writes_ ? writes_->Hand(records, reason) : WriteBlock(descriptor_, written_, records, reason);
    if (!taken) Discard();
    return taken;
}

bool TimingFileWriter::TakeOver(std::string& block, std::string& reason) {
    if (!StartWrites(block.size(), reason)) return false;
    const bool taken = writes_ ? writes_->HandOver(block, reason) : WriteBlock(descriptor_, written_, block, reason);
    if (!taken) Discard();
    return taken;
}

bool TimingFileWriter::StartWrites(std::size_t size, std::string& reason) {
    if (descriptor_ < 0) {
        reason = "cannot write the output file (it is closed)";
        return false;
    }
    // A file of less than a block is written here; a thread for it would
    // cost more than it saves.
    if (!writes_ && size >= blockBytes_) {
        writes_ = std::make_unique<OverlappedWrites>(
            [descriptor = descriptor_, offset = written_](std::string_view block, std::string& why) mutable {
                return WriteBlock(descriptor, offset, block, why);
            });
    }
    return true;
}

bool TimingFileWriter::FinishWrites(std::string& reason) {
    if (!writes_) return true;
    const bool written = writes_->Drain(reason);
    writes_.reset();
    if (!written) Discard();
    return written;
}

bool TimingFileWriter::Commit(std::string& reason, bool synced) {
    if (descriptor_ < 0) {
        reason = "cannot write the output file (it is closed)";
        return false;
    }
    if (!FinishWrites(reason)) return false;
    // Flush to the disk before the rename, so a crash leaves the old file or
    // the new one, never a part of it.
    if (!synced && ::fsync(descriptor_) != 0) {
        reason = "cannot write the output file (" + std::string(std::strerror(errno)) + ")";
        Discard();
        return false;
    }
    // A file without a name takes the target's at once where there is no
    // file of that name yet: linkat never replaces one, so the name holds
    // the whole file or nothing, and no rename is needed.
    if (temporary_.empty() && Link(target_) == 0) {
        if (::close(std::exchange(descriptor_, -1)) != 0) {
            reason = "cannot write the output file (" + std::string(std::strerror(errno)) + ")";
            ::unlink(target_.c_str());
            return false;
        }
        return true;
    }
    if (temporary_.empty() && !GiveName(reason, synced)) {
        Discard();
        return false;
    }
    if (::close(std::exchange(descriptor_, -1)) != 0) {
        reason = "cannot write the output file (" + std::string(std::strerror(errno)) + ")";
        Discard();
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        reason = "cannot replace the output file (" + std::string(std::strerror(errno)) + ")";
        Discard();
        return false;
    }
    temporary_.clear();
    guard_.reset();
    return true;
}

}  // namespace stepquill
