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

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::optional<TimingFileWriter> TimingFileWriter::Create(const std::string& targetPath,
                                                         std::string& reason) {
    std::string target = targetPath;
    // Replacing a link would cut it; write where it points instead.
    char resolved[PATH_MAX];
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
        ::realpath(target.c_str(), resolved) != nullptr)
        target = resolved;

    struct stat existing {};
    mode_t mode = NewFileMode();
    if (::stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            reason = "the output name is not a regular file";
            return std::nullopt;
        }
        mode = existing.st_mode & 07777;
    }

    std::string pattern = target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        reason = "cannot create the output file (" + std::string(std::strerror(errno)) + ")";
        return std::nullopt;
    }
    ::fchmod(descriptor, mode);
    return TimingFileWriter(target, name.data(), descriptor);
}

TimingFileWriter::TimingFileWriter(std::string target, std::string temporary, int descriptor)
    : target_(std::move(target)), temporary_(std::move(temporary)), descriptor_(descriptor) {}

TimingFileWriter::TimingFileWriter(TimingFileWriter&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      descriptor_(std::exchange(other.descriptor_, -1)) {
    other.temporary_.clear();
}

TimingFileWriter::~TimingFileWriter() { Discard(); }

void TimingFileWriter::Discard() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool TimingFileWriter::Commit(const std::string& bytes, std::string& reason) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(descriptor_, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            reason = "cannot write the output file (" + std::string(std::strerror(errno)) + ")";
            Discard();
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
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
