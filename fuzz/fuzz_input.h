#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace stepquill {

// Splits one fuzzer input into a chart and the values a run is given. The
// values are taken from the back, so the chart keeps its front: a real chart
// used as a seed stays a real chart, with its last bytes choosing the values.
class FuzzInput {
public:
    explicit FuzzInput(std::string_view bytes) : rest_(bytes) {}

    // 0 once the input is used up.
    std::uint8_t TakeByte();
    // A length byte (at most maxLength), then that many bytes.
    std::string TakeText(std::size_t maxLength);
    // Usually one of a few awkward values (0, infinities, NaN, a subnormal,
    // ordinary tempos); otherwise the double of eight raw bytes.
    double TakeNumber();
    // One of the given texts, or an arbitrary one of at most maxLength.
    template <std::size_t N>
    std::string TakeChoice(const std::string_view (&choices)[N], std::size_t maxLength) {
        const std::uint8_t pick = TakeByte();
        if (pick < 2 * N) return std::string(choices[pick % N]);
        return TakeText(maxLength);
    }

    // What the values left over: the chart.
    std::string_view Rest() const { return rest_; }

private:
    std::string_view rest_;
};

}  // namespace stepquill
