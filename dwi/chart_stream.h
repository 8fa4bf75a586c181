#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

#include "chart_source.h"
#include "messages.h"

namespace stepquill {


// Sequential reading of a chart's bytes as lines or fields. A line ends at
// CR LF, CR or LF; the terminator belongs to no line. A UTF-8 byte-order mark
// at the very start is skipped. Reading at the end of the chart fails, and
// so does a read that meets a read error.
class ChartStream {
public:
    explicit ChartStream(ChartSource& source);
    // The chart read on from `offset`, where `source` stands: a stream that
    // starts inside the chart has no byte-order mark to skip.
    ChartStream(ChartSource& source, std::uint64_t offset);
    // A standard stream, such as a chart held in memory. A read error that
    // its buffer throws is taken as a failed read and goes no further.
    explicit ChartStream(std::istream& input);
    // Bytes taken ahead but not read are handed back to a seekable stream,
    // so the stream stands just after what was read.
    ~ChartStream();
    ChartStream(const ChartStream&) = delete;
    ChartStream& operator=(const ChartStream&) = delete;

    // False when no unread character remained, or when a read failed: a
    // line cut short by a read error is never given out.
    bool ReadLine(std::string& line);
    // The same line as a view, valid until the next read, so that a walk
    // over millions of lines copies none but the few that straddle two
    // blocks: the view is into the block where the line and the byte after
    // it lie there, else into `spare`, which then holds the line.
    bool ReadLine(std::string_view& line, std::string& spare);
    // A line of any length a part at a time: `part` is the line's next bytes,
    // at most about `most` of them. Where `spare` is empty and the whole
    // rest of the line lies in the block, `part` is a view into the block,
    // as ReadLine gives it; otherwise the bytes are appended to `spare` and
    // `part` views all of `spare`, so a caller may leave bytes of its own at
    // its start. `lineEnds` tells whether the line ended with this part.
    // False at the end of the chart at a line's start, or when a read fails.
    bool ReadLinePart(std::string_view& part, std::string& spare, std::size_t most, bool& lineEnds);
    // Blanks before the field are skipped; a field in double quotes keeps its
    // commas; otherwise it ends at a comma or a line end, which is consumed.
    bool ReadField(std::string& field);
    // The same, keeping only the field's first `most` bytes; the rest is
    // read and passed over. `length` is the whole field's length.
    bool ReadField(std::string& field, std::size_t most, std::size_t& length);
    // The next field that begins with `first`, a blank or a double quote, or
    // is empty, read as ReadField reads it. The fields before it are passed
    // over without being copied anywhere; when they run to the chart's end,
    // the last of them is given as the empty field.
    bool ReadFieldBeginningWith(char first, std::string& field);
    bool ReadFieldBeginningWith(char first, std::string& field, std::size_t most, std::size_t& length);
    // Also true once a read has failed, since nothing more can be read.
    bool AtEnd();
    // True once a read has failed: the chart did not end where the reading
    // stopped, it could not be read on. A caller that ran out of lines or
    // fields asks this before taking what it read for the whole chart.
    bool ReadFailed() const { return failed_; }
    // The offset in the chart of the next byte to be read, for a reading
    // that comes back to it.
    std::uint64_t Position() const { return start_ + pulled_ - (end_ - next_); }

private:
    class StreamSource;

    void SkipByteOrderMark();
    // True when an unread byte is in the block, taking the next block if
    // the current one is used up.
    bool Available() { return next_ < end_ || Refill(); }
    bool Refill();
    // Moves the bytes before the first `a`, `b` or `c` into `text` (unless
    // it is null), across blocks, and consumes that byte; returns it, or
    // kEnd when the input ends first.
    int TakeUntil(char a, char b, char c, std::string* text);
    // The same, keeping no more than `most` bytes in `text`; `taken` counts
    // every byte before the stop byte.
    int TakeUntil(char a, char b, char c, std::string* text, std::size_t most, std::size_t& taken);
    void SkipLineEnd(int terminator);
    // False, with `text` emptied, when a read failed on the way to its end.
    bool Whole(std::string& text);
    static constexpr int kEnd = -1;

    std::unique_ptr<StreamSource> stream_;  // only when reading a standard stream
    ChartSource& source_;
    std::unique_ptr<char[]> block_;
    std::size_t next_ = 0;  // first unread byte of the block
    std::size_t end_ = 0;   // bytes in the block
    bool failed_ = false;
    std::uint64_t start_ = 0;   // where in the chart the first block begins
    std::uint64_t pulled_ = 0;  // bytes taken from the source so far
    bool midLine_ = false;  // ReadLinePart gave a part of a line that goes on
};

}  // namespace stepquill
