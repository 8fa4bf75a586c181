#include "timing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace stepquill {

namespace {

// Where a chain of links ends, even when its last target does not exist yet,
// so a link is written through and never replaced by a file of its own.
// Empty for a chain that does not end.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::vector<char> buffer(PATH_MAX);
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
        std::string next(buffer.data(), static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        path = std::move(next);
    }
    return {};
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::optional<TimingFileWriter> TimingFileWriter::Create(const std::string& targetPath, std::string& reason,
                                                         std::size_t blockBytes) {
    const std::string target = FollowLinks(targetPath);
    if (target.empty()) {
        reason = "the output name is a link that leads nowhere";
        return std::nullopt;
    }

    struct stat existing {};
    mode_t mode = NewFileMode();
    if (::stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            reason = "the output name is not a regular file";
            return std::nullopt;
        }
        mode = existing.st_mode & 07777;
    }

    // A short name of its own in the target's folder, where the rename can
    // reach the target: the target's name with a suffix would be too long
    // for a target whose name is as long as the file system allows.
    const std::size_t slash = target.rfind('/');
    std::string pattern =
        (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".stepquill-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        reason = "cannot create the output file (" + std::string(std::strerror(errno)) + ")";
        return std::nullopt;
    }
    ::fchmod(descriptor, mode);
    return TimingFileWriter(target, name.data(), descriptor, blockBytes);
}

TimingFileWriter::TimingFileWriter(std::string target, std::string temporary, int descriptor,
                                   std::size_t blockBytes)
    : target_(std::move(target)), temporary_(std::move(temporary)), descriptor_(descriptor),
      blockBytes_(blockBytes) {}

TimingFileWriter::TimingFileWriter(TimingFileWriter&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      blockBytes_(other.blockBytes_),
      written_(other.written_) {
    other.temporary_.clear();
}

TimingFileWriter::~TimingFileWriter() { Discard(); }

void TimingFileWriter::Discard() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool TimingFileWriter::Take(std::string_view records, std::string& reason) {
    if (descriptor_ < 0) {
        reason = "cannot write the output file (it is closed)";
        return false;
    }
    const char* data = records.data();
    std::size_t left = records.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor_, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            reason = "cannot write the output file (" + std::string(std::strerror(written < 0 ? errno : ENOSPC)) + ")";
            Discard();
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
#ifdef SYNC_FILE_RANGE_WRITE
    // Start putting the block on the disk now, while the walk makes the next
    // one, so that the sync at the end waits for little more than the last.
    ::sync_file_range(descriptor_, static_cast<off_t>(written_), static_cast<off_t>(records.size()),
                      SYNC_FILE_RANGE_WRITE);
#endif
    written_ += records.size();
    return true;
}

bool TimingFileWriter::Commit(std::string& reason) {
    if (descriptor_ < 0) {
        reason = "cannot write the output file (it is closed)";
        return false;
    }
    // Flush to the disk before the rename, so a crash leaves the old file or
    // the new one, never a part of it.
    if (::fsync(descriptor_) != 0 || ::close(std::exchange(descriptor_, -1)) != 0) {
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
    return true;
}

}  // namespace stepquill
