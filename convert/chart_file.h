#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

#include "chart_info.h"
#include "chart_source.h"

namespace stepquill {

// The most of a chart file that is read. The largest real charts are a few
// megabytes; a file larger than this, or one that reads on past it (a
// sparse file, /proc/self/pagemap, which claims to be empty), is no chart
// and would hold a reading for minutes.
inline constexpr std::uint64_t kLargestChart = std::uint64_t{1} << 30;

// A chart file open for reading, closed when dropped. Its reads fail, with
// ReadFailure saying why, once they would go past kLargestChart.
class ChartFile final : public ChartSource {
public:
    ChartFile(ChartFile&& other) noexcept;
    ChartFile& operator=(ChartFile&&) = delete;
    ChartFile(const ChartFile&) = delete;
    ~ChartFile() override;

    std::ptrdiff_t Read(char* buffer, std::size_t size) override;
    bool Seek(std::uint64_t offset) override;
    const char* ReadFailure() const override;
    // Whether `path` names this very file, by whatever name it was opened.
    bool IsFileAt(const std::string& path) const;
    // Whether the file's size or modification time differs from when it was
    // opened: someone cut it short or rewrote it while it was read, and what
    // was read is then no one version of the chart.
    bool ChangedSinceOpened() const;
    // The file and its state when it was opened.
    const ChartIdentity& Identity() const { return identity_; }
    // The system's error of the last read that failed, 0 while none did.
    int ReadError() const { return readError_; }

private:
    friend std::optional<ChartFile> OpenChart(const std::string& path, std::string& reason);
    explicit ChartFile(int descriptor);

    int descriptor_ = -1;
    ChartIdentity identity_;
    int readError_ = 0;
    std::uint64_t position_ = 0;
    bool tooLarge_ = false;
};

// Opens a chart, but only a regular file: a folder, a device, a FIFO or a
// socket is refused without a byte being read from it. The file stays
// non-blocking: a read that would wait (as /proc/kmsg's does until the
// kernel logs something) fails instead of hanging the program. None, with
// the reason naming the path and the system's error, when it cannot be.
std::optional<ChartFile> OpenChart(const std::string& path, std::string& reason);

// The reason of a read of the chart at `path` that failed with the
// system's `error`.
std::string CannotRead(const std::string& path, int error);

// Whether two paths, or two files' status, name one file: the same device
// and inode, whatever the names.
bool SameFile(const struct stat& a, const struct stat& b);
bool SameFile(const std::string& a, const std::string& b);

}  // namespace stepquill
