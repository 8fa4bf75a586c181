#include "chart_stream.h"

#include <algorithm>
#include <cstring>

namespace stepquill {

namespace {

// Large enough that a chart is read in a few hundred calls and scanned in
// long runs rather than a byte at a time through the stream buffer.
constexpr std::size_t kBlockSize = 64 * 1024;

}  // namespace

ChartStream::ChartStream(std::istream& input)
    : source_(*input.rdbuf()), block_(std::make_unique<char[]>(kBlockSize)) {
    // Skip a UTF-8 byte-order mark; anything else at the start is kept. A
    // block is short only at the end of the input, so a mark is never split.
    if (Available() && end_ - next_ >= 3 && std::memcmp(block_.get() + next_, "\xEF\xBB\xBF", 3) == 0)
        next_ += 3;
}

ChartStream::~ChartStream() {
    if (end_ > next_)
        source_.pubseekoff(-static_cast<std::streamoff>(end_ - next_), std::ios::cur, std::ios::in);
}

bool ChartStream::Available() {
    if (next_ < end_) return true;
    next_ = 0;
    found_.fill(kNotSearched);
    const std::streamsize got = source_.sgetn(block_.get(), static_cast<std::streamsize>(kBlockSize));
    end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    return end_ > 0;
}

bool ChartStream::AtEnd() { return !Available(); }

void ChartStream::SkipLineEnd(int terminator) {
    if (terminator == '\r' && Available() && block_[next_] == '\n') ++next_;
}

std::size_t ChartStream::Find(char stop) {
    std::size_t& at = found_[stop == '\r' ? 0 : stop == '\n' ? 1 : stop == ',' ? 2 : 3];
    if (at == kNotSearched || at < next_) {
        const void* hit = std::memchr(block_.get() + next_, stop, end_ - next_);
        at = hit == nullptr ? end_ : static_cast<std::size_t>(static_cast<const char*>(hit) - block_.get());
    }
    return at;
}

int ChartStream::TakeUntil(char a, char b, char c, std::string* text) {
    while (Available()) {
        const std::size_t stop = std::min({Find(a), Find(b), Find(c)});
        if (text != nullptr) text->append(block_.get() + next_, block_.get() + stop);
        next_ = stop;
        if (stop != end_) {
            ++next_;
            return static_cast<unsigned char>(block_[stop]);
        }
    }
    return kEnd;
}

bool ChartStream::ReadLine(std::string& line) {
    line.clear();
    if (AtEnd()) return false;
    SkipLineEnd(TakeUntil('\r', '\n', '\n', &line));
    return true;
}

bool ChartStream::ReadField(std::string& field) {
    field.clear();
    if (AtEnd()) return false;
    while (Available() && (block_[next_] == ' ' || block_[next_] == '\t')) ++next_;
    // Up to the comma or line end; after a quoted field what follows the
    // closing quote is passed over.
    std::string* kept = &field;
    if (Available() && block_[next_] == '"') {
        ++next_;
        TakeUntil('"', '"', '"', &field);
        kept = nullptr;
    }
    SkipLineEnd(TakeUntil(',', '\r', '\n', kept));
    return true;
}

}  // namespace stepquill
