#include "chart_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "messages.h"

namespace stepquill {

namespace {

ChartIdentity IdentityOf(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::int64_t>(status.st_size),  static_cast<std::int64_t>(status.st_mtim.tv_sec),
            status.st_mtim.tv_nsec,                     static_cast<std::int64_t>(status.st_ctim.tv_sec),
            status.st_ctim.tv_nsec};
}

}  // namespace

ChartFile::ChartFile(int descriptor) : descriptor_(descriptor) {}

ChartFile::ChartFile(ChartFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), identity_(other.identity_), readError_(other.readError_),
      position_(other.position_), tooLarge_(other.tooLarge_) {}

ChartFile::~ChartFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::ptrdiff_t ChartFile::Read(char* buffer, std::size_t size) {
    // A file that says it is too large is refused before a byte is read; one
    // that only grows too large as it is read, when it does.
    if (identity_.Size > 0 && static_cast<std::uint64_t>(identity_.Size) > kLargestChart) tooLarge_ = true;
    if (tooLarge_) {
        errno = EFBIG;
        return -1;
    }
    for (;;) {
        const ssize_t got = ::read(descriptor_, buffer, size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            readError_ = errno;
            return got;
        }
        position_ += static_cast<std::uint64_t>(got);
        if (position_ > kLargestChart) {
            tooLarge_ = true;
            errno = EFBIG;
            return -1;
        }
        return got;
    }
}

bool ChartFile::Seek(std::uint64_t offset) {
    if (::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset)) return false;
    position_ = offset;
    return true;
}

const char* ChartFile::ReadFailure() const { return tooLarge_ ? kChartLargerThanAnyChart : nullptr; }

bool ChartFile::IsFileAt(const std::string& path) const {
    struct stat other {};
    struct stat opened {};
    opened.st_dev = static_cast<dev_t>(identity_.Device);
    opened.st_ino = static_cast<ino_t>(identity_.Inode);
    return ::stat(path.c_str(), &other) == 0 && SameFile(other, opened);
}

bool ChartFile::ChangedSinceOpened() const {
    struct stat now {};
    if (::fstat(descriptor_, &now) != 0) return true;
    const ChartIdentity state = IdentityOf(now);
    return state.Size != identity_.Size || state.ModifiedSeconds != identity_.ModifiedSeconds ||
           state.ModifiedNanoseconds != identity_.ModifiedNanoseconds;
}

std::optional<ChartFile> OpenChart(const std::string& path, std::string& reason) {
    const auto refuse = [&](const std::string& why) {
        reason = "cannot open " + path + ": " + why;
        return std::nullopt;
    };
    if (path.empty()) return refuse(std::strerror(ENOENT));
    // The kind of file is told from the open descriptor, not from the name,
    // which may name something else by the time it is opened. Opening this
    // way neither waits for a FIFO's writer nor makes a terminal ours.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return refuse(std::strerror(errno));
    ChartFile chart(descriptor);  // closes the descriptor on every refusal below
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) return refuse(std::strerror(errno));
    if (S_ISDIR(status.st_mode)) return refuse(std::strerror(EISDIR));
    if (!S_ISREG(status.st_mode)) return refuse("not a regular file");
    chart.identity_ = IdentityOf(status);
    // The descriptor stays non-blocking. Reads of an ordinary file on a
    // disk never wait; a "file" whose read would wait for something to
    // happen (/proc/kmsg, a file system that honours the flag) is taken as
    // one that cannot be read, since nothing says the wait would ever end.
    return chart;
}

std::string CannotRead(const std::string& path, int error) {
    return "cannot read " + path + ": " + std::strerror(error);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && SameFile(first, second);
}

}  // namespace stepquill
