#pragma once

#include <cstdint>

namespace stepquill {

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
class WholeNumberWriter {
public:
    char* Write(char* at, std::int64_t value);

private:
    void KeepHigh(std::uint64_t high);

    // The last number, kept when it was from 0 to 10^16 - 1.
    bool kept_ = false;
    std::uint64_t last_ = 0;
    // Its last eight digits, one a byte, the last digit in the lowest.
    std::uint64_t lowDigits_ = 0;
    // Its digits above those: their value, and as written (none for 0).
    std::uint64_t high_ = 0;
    std::uint64_t highText_ = 0;
    int highLength_ = 0;
};

}  // namespace stepquill
