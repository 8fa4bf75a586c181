#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "chart_source.h"

namespace stepquill {

// A chart's bytes in memory, read again from any offset as a StepMania
// conversion does. With `readable` below the size, it is a chart on a
// failing disk: the bytes before it come, and every read after them fails.
class ChartInMemory final : public ChartSource {
public:
    explicit ChartInMemory(std::string_view bytes, std::size_t readable = std::string_view::npos)
        : bytes_(bytes), readable_(readable) {}

    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        if (at_ >= readable_) return -1;
        const std::string_view rest = bytes_.substr(std::min(at_, bytes_.size()));
        const std::size_t count = rest.copy(buffer, std::min(size, readable_ - at_));
        at_ += count;
        return static_cast<std::ptrdiff_t>(count);
    }
    bool Seek(std::uint64_t offset) override {
        at_ = static_cast<std::size_t>(offset);
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t readable_;
    std::size_t at_ = 0;
};

}  // namespace stepquill
