#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace stepquill {

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Eight "0" in one word: added to eight digit values, their characters.
inline constexpr std::uint64_t kZeros = 0x3030303030303030ULL;

// The eight digits of a number below 10^8, leading zeros included, one byte
// each (0 to 9) in the order they are written. On a little-endian machine
// all eight are split at once inside one word: the two halves of four
// digits, then the four pairs, then the eight digits, each step a multiply
// and a shift that cannot carry from one part of the word into the next.
inline std::uint64_t EightDigitValues(std::uint32_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t halves = (value / 10000) | (static_cast<std::uint64_t>(value % 10000) << 32);
        const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007FULL;  // x / 100
        const std::uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);
        const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;  // x / 10
        return tens | ((pairs - tens * 10) << 8);
    } else {
        const std::uint32_t high = value / 10000;
        const std::uint32_t low = value % 10000;
        char digits[8];
        std::memcpy(digits, kDigitPairs + (high / 100) * 2, 2);
        std::memcpy(digits + 2, kDigitPairs + (high % 100) * 2, 2);
        std::memcpy(digits + 4, kDigitPairs + (low / 100) * 2, 2);
        std::memcpy(digits + 6, kDigitPairs + (low % 100) * 2, 2);
        std::uint64_t word;
        std::memcpy(&word, digits, sizeof word);
        return word - kZeros;
    }
}

// Writes a number that is kept as two parts: its digits above the last
// eight, as written (`highLength` bytes of `highText`, none for 0), and its
// last eight, one a byte with the first digit in the lowest (`digits`),
// whose leading zeros are left out where nothing stands above them. Writes
// up to eight scratch bytes past the end.
inline char* WriteHighAndLastEight(char* at, std::uint64_t highText, int highLength, std::uint64_t digits) {
    if (highLength != 0) {
        std::memcpy(at, &highText, sizeof highText);
        at += highLength;
        const std::uint64_t text = digits + kZeros;
        std::memcpy(at, &text, sizeof text);
        return at + 8;
    }
    // The leading zeros are the lowest bytes that are 0; the last digit
    // stays even when all are.
    const auto count = digits == 0 ? 1u : 8 - static_cast<unsigned>(std::countr_zero(digits)) / 8;
    const std::uint64_t text = (digits >> (8 * (8 - count))) + kZeros;
    std::memcpy(at, &text, sizeof text);
    return at + count;
}

// Writes the digits of a whole number, with a "-" before a negative one, at
// `at`, and returns their end. It may write scratch bytes after them, up to
// the ninth from `at`: `at` must have room for 20 characters, or, for a
// number below 1E+15 in magnitude, for 16.
char* WriteWholeNumber(char* at, std::int64_t value);

// Writes whole numbers one after another, each exactly as WriteWholeNumber
// does. The times of a timing file never go back and mostly move on by a
// few hundred milliseconds, so where a number is a little above the one
// before, its digits are those of the number before with the difference
// added, digit by digit in one word, rather than worked out anew.
//
// Write is inline: the walk writes a number for nearly every arrow, and a
// call would cost it more than the writing, its own running values being
// saved and restored around it.
class WholeNumberWriter {
public:
    char* Write(char* at, std::int64_t value);

private:
    static constexpr bool kLittleEndian = std::endian::native == std::endian::little;
    static constexpr std::uint64_t kGroup = 100000000;  // eight digits
    // Numbers from here on, and negative ones, are written anew each time.
    static constexpr std::uint64_t kKeptBelow = kGroup * kGroup;
    static constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    static constexpr std::size_t kNearSteps = 1024;
    // No number below kKeptBelow is less than kNearSteps above it, so a
    // writer whose last_ is this keeps nothing.
    static constexpr std::uint64_t kNothingKept = std::uint64_t{1} << 63;

    // The digits of a number below 10^8 as written, in the first bytes of a
    // word, and how many they are.
    struct Digits {
        std::uint64_t text;
        int length;
    };
    static Digits DigitsOf(std::uint32_t value);
    // The eight digits of a number below 10^8, one a byte, the last digit in
    // the lowest byte: the order in which a carry runs.
    static std::uint64_t DigitsLastFirst(std::uint32_t value);
    // The digits of the differences from 0 to kNearSteps - 1, last digit
    // first, ready to be added.
    static const std::array<std::uint64_t, kNearSteps> kNearStepDigits;

    static std::uint64_t ReverseBytes(std::uint64_t word) {
#if defined(__GNUC__)
        return __builtin_bswap64(word);
#else
        std::uint64_t reversed = 0;
        for (int i = 0; i < 8; ++i, word >>= 8) reversed = (reversed << 8) | (word & 0xFF);
        return reversed;
#endif
    }

    void KeepHigh(std::uint64_t high) {
        high_ = high;
        const Digits digits = high == 0 ? Digits{0, 0} : DigitsOf(static_cast<std::uint32_t>(high));
        highText_ = digits.text;
        highLength_ = digits.length;
    }

    // The last number, while it was below kKeptBelow.
    std::uint64_t last_ = kNothingKept;
    // Its last eight digits, one a byte, the last digit in the lowest.
    std::uint64_t lowDigits_ = 0;
    // Its digits above those: their value, and as written (none for 0).
    std::uint64_t high_ = kNothingKept;
    std::uint64_t highText_ = 0;
    int highLength_ = 0;
};

inline char* WholeNumberWriter::Write(char* at, std::int64_t value) {
    if constexpr (!kLittleEndian) return WriteWholeNumber(at, value);
    const auto number = static_cast<std::uint64_t>(value);
    if (number - last_ < kNearSteps && number < kKeptBelow) {
        // Decimal addition, all eight digits at once: each byte gets 246
        // more, so a digit sum of ten or more carries into the next byte
        // exactly as a decimal carry would, and a byte that did not carry
        // is left at 246 or above, which is taken off again.
        const std::uint64_t sum = lowDigits_ + kNearStepDigits[number - last_];
        std::uint64_t carried = sum + 246 * kOnes;
        const bool intoHigh = carried < sum;  // the carry out of the eighth digit
        carried -= ((carried >> 7) & kOnes) * 246;
        lowDigits_ = carried;
        if (intoHigh) KeepHigh(high_ + 1);
    } else {
        if (number >= kKeptBelow) {
            *this = WholeNumberWriter();
            return WriteWholeNumber(at, value);
        }
        lowDigits_ = DigitsLastFirst(static_cast<std::uint32_t>(number % kGroup));
        if (number / kGroup != high_) KeepHigh(number / kGroup);
    }
    last_ = number;

    // In the order they are written, the first digit in the lowest byte.
    return WriteHighAndLastEight(at, highText_, highLength_, ReverseBytes(lowDigits_));
}

// Writes whole numbers one after another, each exactly as WriteWholeNumber
// does, for numbers that move on by more than WholeNumberWriter adds digit
// by digit, as a device's times in microseconds do, but mostly keep their
// digits above the last eight for minutes: those are kept as written, and
// the last eight worked out anew, inline.
class SpreadNumberWriter {
public:
    char* Write(char* at, std::int64_t value) {
        const auto number = static_cast<std::uint64_t>(value);
        // Negative numbers are above all others here.
        if (std::endian::native != std::endian::little || number >= kGroup * kGroup)
            return WriteWholeNumber(at, value);
        const std::uint64_t high = number / kGroup;
        const auto low = static_cast<std::uint32_t>(number - high * kGroup);
        if (high != high_) KeepHigh(high);
        return WriteHighAndLastEight(at, highText_, highLength_, EightDigitValues(low));
    }

private:
    static constexpr std::uint64_t kGroup = 100000000;  // eight digits

    void KeepHigh(std::uint64_t high) {
        high_ = high;
        char text[24];
        highLength_ = high == 0 ? 0 : static_cast<int>(WriteWholeNumber(text, static_cast<std::int64_t>(high)) - text);
        std::memcpy(&highText_, text, sizeof highText_);
    }

    std::uint64_t high_ = 0;
    std::uint64_t highText_ = 0;
    int highLength_ = 0;  // none while high_ is 0
};

}  // namespace stepquill
