#include "whole_number.h"

#include <array>
#include <bit>
#include <cstring>

namespace stepquill {

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// Digits of a number below 10^8, which fits 32 bits, where division by a
// constant is a cheap multiplication. Only a big-endian machine needs it.
[[maybe_unused]] int CountDigitsBelow1e8(std::uint32_t value) {
    if (value < 10000) return value < 100 ? (value < 10 ? 1 : 2) : (value < 1000 ? 3 : 4);
    return value < 1000000 ? (value < 100000 ? 5 : 6) : (value < 10000000 ? 7 : 8);
}


// Writes eight bytes at `at`: the digits of `value`, below 10^8, without
// leading zeros, and scratch after them.
char* WriteBelow1e8(char* at, std::uint32_t value) {
    const std::uint64_t digits = EightDigitValues(value);
    // The leading zeros are the zero bytes before the first digit that is
    // not; shifting them out moves the digits to the word's first bytes.
    int count;
    if constexpr (kLittleEndian)
        count = digits == 0 ? 1 : 8 - std::countr_zero(digits) / 8;
    else
        count = CountDigitsBelow1e8(value);
    const int zeroBits = 8 * (8 - count);
    const std::uint64_t word = (kLittleEndian ? digits >> zeroBits : digits << zeroBits) + kZeros;
    std::memcpy(at, &word, sizeof word);
    return at + count;
}

// The eight digits of `value`, below 10^8, leading zeros included.
char* WriteEightDigits(char* at, std::uint32_t value) {
    const std::uint64_t word = EightDigitValues(value) + kZeros;
    std::memcpy(at, &word, sizeof word);
    return at + 8;
}

char* WriteUnsigned(char* at, std::uint64_t value) {
    constexpr std::uint64_t kGroup = 100000000;
    if (value < kGroup) return WriteBelow1e8(at, static_cast<std::uint32_t>(value));
    at = WriteUnsigned(at, value / kGroup);
    return WriteEightDigits(at, static_cast<std::uint32_t>(value % kGroup));
}

// The digits of the differences from 0 to 1023, last digit first.
constexpr std::array<std::uint64_t, 1024> NearStepDigits() {
    std::array<std::uint64_t, 1024> table{};
    for (std::size_t step = 0; step < table.size(); ++step)
        for (std::size_t value = step, shift = 0; value != 0; value /= 10, shift += 8)
            table[step] |= static_cast<std::uint64_t>(value % 10) << shift;
    return table;
}

}  // namespace

char* WriteWholeNumber(char* at, std::int64_t value) {
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) {
        *at++ = '-';
        magnitude = 0 - magnitude;
    }
    return WriteUnsigned(at, magnitude);
}

const std::array<std::uint64_t, WholeNumberWriter::kNearSteps> WholeNumberWriter::kNearStepDigits = NearStepDigits();

WholeNumberWriter::Digits WholeNumberWriter::DigitsOf(std::uint32_t value) {
    char text[8];
    const int length = static_cast<int>(WriteBelow1e8(text, value) - text);
    Digits digits{0, length};
    std::memcpy(&digits.text, text, sizeof digits.text);
    return digits;
}

std::uint64_t WholeNumberWriter::DigitsLastFirst(std::uint32_t value) {
    return ReverseBytes(EightDigitValues(value));
}

}  // namespace stepquill
