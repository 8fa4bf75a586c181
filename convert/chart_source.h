#pragma once

#include <cstddef>
#include <cstdint>

namespace stepquill {

// Where a chart's bytes come from: a file, or memory. A source says when
// its bytes could not be read, so that a chart on a failing disk is never
// taken for a shorter chart that ends where the disk failed.
class ChartSource {
public:
    virtual ~ChartSource() = default;
    // Reads up to `size` bytes into `buffer`: the count read, 0 at the end
    // of the chart, or -1 when the bytes could not be read.
    virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
    // Reads on from the byte at `offset`, for a format that reads a chart
    // twice; false where the bytes cannot be read again.
    virtual bool Seek(std::uint64_t offset) {
        (void)offset;
        return false;
    }
    // Why reads failed, where the source knows a better reason than "the
    // chart could not be read"; null otherwise.
    virtual const char* ReadFailure() const { return nullptr; }
};

}  // namespace stepquill
