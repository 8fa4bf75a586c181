#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "chart_stream.h"

namespace stepquill {

// A piece of step data is at most about this long, however long its line.
inline constexpr std::size_t kStepPieceBytes = 1 << 20;
// A chord ("<...>") is never cut, so one longer than this cannot be walked
// in bounded memory; no chart holds one.
inline constexpr std::size_t kLongestChordBytes = 16 << 20;

// The step data's lines for the walk, each whole when it is short, and in
// pieces of about a megabyte when it is not, so that a line of gigabytes
// costs no more memory than a short one. A line is cut only where walking
// the two pieces as lines gives what walking it whole gives: outside a
// chord, not after a "!", and with the note length the walk would have at
// the cut, which a piece that continues a line is given back by the marker
// that sets it ("(", "[", "{" or "`") put before its first byte: every line
// starts with the default note length.
class StepLinePieces {
public:
    enum class Result { Text, End, ChordTooLong };

    explicit StepLinePieces(ChartStream& chart) : chart_(chart) {}

    // The next text to walk, valid until the next call. End at the chart's
    // end or when a read failed.
    Result Next(std::string_view& text);
    // Whether the text last given was a line's first part, with more to come.
    bool LineGoesOn() const { return carry_; }

private:
    ChartStream& chart_;
    std::string spare_;
    bool carry_ = false;      // spare_ holds the last text, then the rest of its line
    std::size_t walked_ = 0;  // bytes of spare_ given out as the last text
    char marker_ = 0;         // put before the rest, 0 for none
};

}  // namespace stepquill
