#pragma once

#include <string>
#include <utility>

#include "chart_source.h"

namespace stepquill::support {

// A chart as a failing disk gives it: the bytes it holds come, and every
// read after them fails.
class CutChart final : public ChartSource {
public:
    explicit CutChart(std::string readable) : rest_(std::move(readable)) {}

    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        if (rest_.empty()) return -1;
        const std::size_t count = rest_.copy(buffer, size);
        rest_.erase(0, count);
        return static_cast<std::ptrdiff_t>(count);
    }

private:
    std::string rest_;
};

}  // namespace stepquill::support
