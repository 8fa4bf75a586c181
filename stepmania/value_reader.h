#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "chart_source.h"

namespace stepquill::stepmania {

// Reads a .sm or .ssc file as the game does: a sequence of values, each
// "#TAG:parameter:parameter...;", read in one pass without holding the
// file. Only ASCII bytes have meaning.
// - "//" anywhere starts a comment up to the next line feed, which stays.
// - Inside a value "\" takes the next byte as text; outside, it skips it.
// - A value whose ";" is missing ends at a "#" that stands first on its
//   line (after blanks only), or in an empty parameter; that parameter
//   loses its trailing line ends and blanks, and the "#" starts the next
//   value. Any other "#" is text.
// - A value still open at the end of the file ends there.
class ValueReader {
public:
    explicit ValueReader(ChartSource& source);

    // Moves on to the next value; its tag is the first parameter. False at
    // the end of the file, or once a read has failed.
    bool NextValue();

    enum class End {
        Parameter,  // a ":" ended it: another parameter follows
        Value,      // the value ended with it
    };
    // Reads the next parameter of the value into `text`, keeping at most
    // `keep` bytes of it; the rest is read and passed over.
    End ReadParameter(std::string& text, std::size_t keep = std::string::npos);
    End SkipParameter();
    // Hands the next parameter's text to `sink.Take(bytes, count)` in pieces
    // as it is read, so that a parameter of any length is never held. The
    // sink says with kKeepsText whether it wants the text at all.
    template <typename Sink>
    End StreamParameter(Sink& sink);

    // Where the next parameter starts, to come back to it with ReturnTo.
    std::uint64_t ParameterOffset() const { return blockOffset_ + next_; }
    // Reads again from a parameter start that ParameterOffset gave.
    bool ReturnTo(std::uint64_t offset);
    // Where the reader's next read from its source starts: a caller that
    // reads the source elsewhere meanwhile seeks it back here, and the
    // reading goes on as if it had not.
    std::uint64_t SourceOffset() const { return blockOffset_ + end_; }

    bool Failed() const { return failed_; }

private:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    // Makes `count` unread bytes available from next_ where the file has
    // them, keeping the unread ones; false when fewer are left.
    bool Have(std::size_t count);
    // The first of from..end_ that may change the reading's course.
    std::size_t FindSpecial(std::size_t from, bool inValue) const;
    // The first of from..end_ that may end a parameter or needs the
    // byte-by-byte rules, comments and "/" aside: ":", ";", "#" or "\\".
    std::size_t FindValueSpecial(std::size_t from) const;
    // The first of from..end_ that may change the reading's course inside a
    // value whose text is passed over: the comments within the block are
    // passed over too, without a look at each.
    std::size_t FindSpecialPastComments(std::size_t from);
    // Brings lineHasText_ up to date for the text from flagAt_ to `to`.
    void CatchUpLine(std::size_t to);
    void SkipComment();

    // What a parameter's bytes are passed to: a string, nothing, or a
    // stream's sink.
    template <typename Sink>
    End Scan(Sink& sink);

    ChartSource& source_;
    std::unique_ptr<char[]> block_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    std::uint64_t blockOffset_ = 0;  // the file offset of block_[0]
    bool failed_ = false;
    bool atEnd_ = false;
    // A "#" that ended the last value has started this one already.
    bool valueStarted_ = false;
    // Whether the parameter's text since its last line end holds anything
    // but blanks, as of block_[flagAt_].
    bool lineHasText_ = false;
    std::size_t flagAt_ = 0;
    // Whether the processor can look through passed-over notes 32 bytes at
    // a time.
    bool wide_ = false;
};

template <typename Sink>
ValueReader::End ValueReader::StreamParameter(Sink& sink) {
    return Scan(sink);
}

template <typename Sink>
ValueReader::End ValueReader::Scan(Sink& sink) {
    lineHasText_ = false;
    flagAt_ = next_;
    for (;;) {
        if (next_ == end_ && !Have(1)) return End::Value;  // the file ended the value
        const std::size_t special = Sink::kKeepsText ? FindSpecial(next_, true) : FindSpecialPastComments(next_);
        if (special > next_) sink.Take(block_.get() + next_, special - next_);
        next_ = special;
        if (next_ == end_) continue;
        switch (block_[next_]) {
            case ':':
                ++next_;
                return End::Parameter;
            case ';':
                ++next_;
                return End::Value;
            case '/':
                if (Have(2) && block_[next_ + 1] == '/') {
                    CatchUpLine(next_);
                    SkipComment();
                } else {
                    sink.Take(block_.get() + next_, 1);
                    ++next_;
                }
                break;
            case '\\':
                CatchUpLine(next_);
                if (!Have(2)) {
                    ++next_;
                    break;
                }
                sink.Take(block_.get() + next_ + 1, 1);
                // The escaped byte is text like any other: a line end starts
                // a new line, a blank leaves the line as blank as it was.
                if (block_[next_ + 1] == '\n' || block_[next_ + 1] == '\r')
                    lineHasText_ = false;
                else if (block_[next_ + 1] != ' ' && block_[next_ + 1] != '\t')
                    lineHasText_ = true;
                next_ += 2;
                flagAt_ = next_;
                break;
            default:  // '#'
                CatchUpLine(next_);
                ++next_;
                if (!lineHasText_) {
                    sink.TrimEnd();
                    valueStarted_ = true;
                    return End::Value;
                }
                sink.Take(block_.get() + next_ - 1, 1);
                break;
        }
    }
}

}  // namespace stepquill::stepmania
