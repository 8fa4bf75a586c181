#include "chart_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "messages.h"

namespace stepquill {

ChartFile::ChartFile(int descriptor, const struct stat& status)
    : descriptor_(descriptor), device_(status.st_dev), inode_(status.st_ino), size_(status.st_size),
      modified_(status.st_mtim) {}

ChartFile::ChartFile(ChartFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), device_(other.device_), inode_(other.inode_),
      size_(other.size_), modified_(other.modified_), position_(other.position_), tooLarge_(other.tooLarge_) {}

ChartFile::~ChartFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::ptrdiff_t ChartFile::Read(char* buffer, std::size_t size) {
    // A file that says it is too large is refused before a byte is read; one
    // that only grows too large as it is read, when it does.
    if (static_cast<std::uint64_t>(size_) > kLargestChart) tooLarge_ = true;
    if (tooLarge_) {
        errno = EFBIG;
        return -1;
    }
    for (;;) {
        const ssize_t got = ::read(descriptor_, buffer, size);
        if (got < 0 && errno == EINTR) continue;
        if (got > 0) position_ += static_cast<std::uint64_t>(got);
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
    opened.st_dev = device_;
    opened.st_ino = inode_;
    return ::stat(path.c_str(), &other) == 0 && SameFile(other, opened);
}

bool ChartFile::ChangedSinceOpened() const {
    struct stat now {};
    if (::fstat(descriptor_, &now) != 0) return true;
    return now.st_size != size_ || now.st_mtim.tv_sec != modified_.tv_sec ||
           now.st_mtim.tv_nsec != modified_.tv_nsec;
}

std::optional<ChartFile> OpenChart(const std::string& path) {
    if (path.empty()) return std::nullopt;
    // The kind of file is told from the open descriptor, not from the name,
    // which may name something else by the time it is opened. Opening this
    // way neither waits for a FIFO's writer nor makes a terminal ours.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat status {};
    ChartFile chart(descriptor, status);  // closes the descriptor on every refusal below
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    chart.device_ = status.st_dev;
    chart.inode_ = status.st_ino;
    chart.size_ = status.st_size;
    chart.modified_ = status.st_mtim;
    // The descriptor stays non-blocking. Reads of an ordinary file on a
    // disk never wait; a "file" whose read would wait for something to
    // happen (/proc/kmsg, a file system that honours the flag) is taken as
    // one that cannot be read, since nothing says the wait would ever end.
    return chart;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && SameFile(first, second);
}

}  // namespace stepquill
