#include "fuzz_input.h"

#include <cstring>
#include <limits>

namespace stepquill {

std::uint8_t FuzzInput::TakeByte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(rest_.back());
    rest_.remove_suffix(1);
    return byte;
}

std::string FuzzInput::TakeText(std::size_t maxLength) {
    std::size_t length = TakeByte() % (maxLength + 1);
    if (length > rest_.size()) length = rest_.size();
    std::string text(rest_.substr(rest_.size() - length));
    rest_.remove_suffix(length);
    return text;
}

double FuzzInput::TakeNumber() {
    constexpr double kAwkward[] = {
        120, 150, 140, 0, -120, 0.5, 1e-310, 1e308, 1e15, 33.333333333333336,
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(),
    };
    constexpr std::size_t kCount = sizeof kAwkward / sizeof kAwkward[0];
    const std::uint8_t pick = TakeByte();
    if (pick < 8 * kCount || rest_.size() < sizeof(double)) return kAwkward[pick % kCount];
    double value = 0;
    std::memcpy(&value, rest_.data() + rest_.size() - sizeof value, sizeof value);
    rest_.remove_suffix(sizeof value);
    return value;
}

}  // namespace stepquill
