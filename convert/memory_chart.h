#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "chart_source.h"

namespace stepquill {

// A chart's bytes held in memory, such as a chart read from a pipe, read
// again from any offset as a StepMania conversion does.
class MemoryChart final : public ChartSource {
public:
    explicit MemoryChart(std::string_view bytes) : bytes_(bytes) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        const std::size_t count = std::min(size, bytes_.size() - at_);
        std::memcpy(buffer, bytes_.data() + at_, count);
        at_ += count;
        return static_cast<std::ptrdiff_t>(count);
    }
    bool Seek(std::uint64_t offset) override {
        if (offset > bytes_.size()) return false;
        at_ = static_cast<std::size_t>(offset);
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace stepquill
