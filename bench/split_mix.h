#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace stepquill::bench {

// splitmix64: small, fast, and the same sequence on every platform, which
// the standard distributions do not promise.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    char Pick(std::string_view choices) { return choices[Below(choices.size())]; }

private:
    std::uint64_t state_;
};

}  // namespace stepquill::bench
