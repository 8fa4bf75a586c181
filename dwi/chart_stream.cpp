#include "chart_stream.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace stepquill {

namespace {

// Large enough that a chart is read in a few hundred calls and scanned in
// long runs rather than a byte at a time through the stream buffer.
constexpr std::size_t kBlockSize = 64 * 1024;

// The first of `from` to `end` that is a, b or c, or `end`. Chart lines are
// short, so many bytes are tested at once rather than calling memchr for
// each stop byte: sixteen with the vector instructions every x86-64 has,
// else eight in a word, where a byte equals `a` if the word xor eight
// copies of `a` has a zero byte there (the lowest zero byte is found
// exactly).
const char* FindAny(const char* from, const char* end, char a, char b, char c) {
#ifdef __SSE2__
    const __m128i manyA = _mm_set1_epi8(a);
    const __m128i manyB = _mm_set1_epi8(b);
    const __m128i manyC = _mm_set1_epi8(c);
    for (; end - from >= 16; from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, manyA), _mm_cmpeq_epi8(bytes, manyB)),
                                          _mm_cmpeq_epi8(bytes, manyC));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return from + std::countr_zero(mask);
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
        constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
        auto zeroBytes = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
        const std::uint64_t copiesA = kOnes * static_cast<unsigned char>(a);
        const std::uint64_t copiesB = kOnes * static_cast<unsigned char>(b);
        const std::uint64_t copiesC = kOnes * static_cast<unsigned char>(c);
        for (; end - from >= 8; from += 8) {
            std::uint64_t word;
            std::memcpy(&word, from, sizeof word);
            const std::uint64_t hits =
                zeroBytes(word ^ copiesA) | zeroBytes(word ^ copiesB) | zeroBytes(word ^ copiesC);
            if (hits != 0) return from + std::countr_zero(hits) / 8;
        }
    }
    while (from != end && *from != a && *from != b && *from != c) ++from;
    return from;
}

// A byte that a field the reading wants may begin with: `first`, a blank or
// a quote (for the whole field rule), or a field end (an empty field). The
// vector test below takes every byte below "$" for one, which is a few more.
bool MayBeginWantedField(char c, char first) {
    return c == first || c == ' ' || c == '\t' || c == '"' || c == ',' || c == '\r' || c == '\n';
}

// From `from`, inside a field that the reading does not want, to the first
// field that it may want: the byte after a field end (",", LF, or a CR
// without an LF after it) that MayBeginWantedField could take. Sixteen
// field ends are tested at once. Where fewer than seventeen bytes are left,
// it gives up (`found` false) and returns where it stopped, inside an
// unwanted field or at the start of one; the caller goes on from there
// field by field.
const char* PassOverUnwantedFields(const char* from, const char* end, char first, bool& found) {
    found = false;
#ifdef __SSE2__
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i belowDollar = _mm_set1_epi8('$');
    const __m128i wanted = _mm_set1_epi8(first);
    for (; end - from >= 17; from += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 1));
        const __m128i nextIsLineFeed = _mm_cmpeq_epi8(next, lineFeed);
        const __m128i fieldEnds =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(here, comma), _mm_cmpeq_epi8(here, lineFeed)),
                         _mm_andnot_si128(nextIsLineFeed, _mm_cmpeq_epi8(here, carriageReturn)));
        // Signed: bytes from 0x80 up count as below "$" too.
        const __m128i mayBeWanted = _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(next, belowDollar),
                                                              _mm_cmpeq_epi8(next, comma)),
                                                 _mm_cmpeq_epi8(next, wanted));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(fieldEnds, mayBeWanted)));
        if (mask != 0) {
            found = true;
            return from + std::countr_zero(mask) + 1;
        }
    }
#else
    (void)end;
    (void)first;
#endif
    return from;
}

}  // namespace

// The standard streams tell a read error only by throwing from their
// buffer (std::ifstream does on EIO), so the exception ends here as a
// failed read.
class ChartStream::StreamSource final : public ChartSource {
public:
    explicit StreamSource(std::streambuf& buffer) : buffer_(buffer) {}

    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        try {
            return static_cast<std::ptrdiff_t>(buffer_.sgetn(buffer, static_cast<std::streamsize>(size)));
        } catch (const std::ios_base::failure&) {
            return -1;
        }
    }

    void HandBack(std::size_t count) {
        buffer_.pubseekoff(-static_cast<std::streamoff>(count), std::ios::cur, std::ios::in);
    }

private:
    std::streambuf& buffer_;
};

ChartStream::ChartStream(ChartSource& source)
    : source_(source), block_(std::make_unique<char[]>(kBlockSize)) {
    SkipByteOrderMark();
}

ChartStream::ChartStream(ChartSource& source, std::uint64_t offset)
    : source_(source), block_(std::make_unique<char[]>(kBlockSize)), start_(offset) {
    if (offset == 0) SkipByteOrderMark();
}

ChartStream::ChartStream(std::istream& input)
    : stream_(std::make_unique<StreamSource>(*input.rdbuf())),
      source_(*stream_),
      block_(std::make_unique<char[]>(kBlockSize)) {
    SkipByteOrderMark();
}

ChartStream::~ChartStream() {
    if (stream_ && end_ > next_) stream_->HandBack(end_ - next_);
}

// Anything else at the start is kept. A source may give fewer bytes than
// asked for, a pipe even one at a time, so the first three are gathered
// before they are compared.
void ChartStream::SkipByteOrderMark() {
    if (!Available()) return;
    while (end_ < 3) {
        const std::ptrdiff_t got = source_.Read(block_.get() + end_, kBlockSize - end_);
        if (got < 0) failed_ = true;
        if (got <= 0) break;
        end_ += static_cast<std::size_t>(got);
        pulled_ += static_cast<std::uint64_t>(got);
    }
    if (end_ >= 3 && std::memcmp(block_.get(), "\xEF\xBB\xBF", 3) == 0) next_ = 3;
}

bool ChartStream::Refill() {
    next_ = 0;
    end_ = 0;
    // Nothing is read after a failed read: the bytes that came next would
    // not be the chart's next bytes.
    if (failed_) return false;
    const std::ptrdiff_t got = source_.Read(block_.get(), kBlockSize);
    if (got < 0)
        failed_ = true;
    else
        end_ = static_cast<std::size_t>(got);
    pulled_ += end_;
    return end_ > 0;
}

bool ChartStream::AtEnd() { return !Available(); }

void ChartStream::SkipLineEnd(int terminator) {
    if (terminator == '\r' && Available() && block_[next_] == '\n') ++next_;
}

int ChartStream::TakeUntil(char a, char b, char c, std::string* text) {
    std::size_t taken = 0;
    return TakeUntil(a, b, c, text, std::string::npos, taken);
}

int ChartStream::TakeUntil(char a, char b, char c, std::string* text, std::size_t most, std::size_t& taken) {
    taken = 0;
    while (Available()) {
        const std::size_t stop = static_cast<std::size_t>(
            FindAny(block_.get() + next_, block_.get() + end_, a, b, c) - block_.get());
        if (text != nullptr && text->size() < most)
            text->append(block_.get() + next_, std::min(stop - next_, most - text->size()));
        taken += stop - next_;
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
    return Whole(line);
}

bool ChartStream::ReadLine(std::string_view& line, std::string& spare) {
    // The byte after the terminator must be in the block too: after a CR it
    // is looked at for an LF, and where it is not yet read, reading it
    // overwrites the block.
    const char* const from = block_.get() + next_;
    const char* const end = block_.get() + end_;
    const char* const stop = FindAny(from, end, '\r', '\n', '\n');
    if (end - stop < 2) {
        if (!ReadLine(spare)) return false;
        line = spare;
        return true;
    }
    line = std::string_view(from, static_cast<std::size_t>(stop - from));
    next_ = static_cast<std::size_t>(stop + 1 - block_.get());
    if (*stop == '\r' && block_[next_] == '\n') ++next_;
    return true;
}

bool ChartStream::ReadLinePart(std::string_view& part, std::string& spare, std::size_t most, bool& lineEnds) {
    if (!midLine_ && AtEnd()) return false;
    if (spare.empty() && Available()) {
        // The same quick view as ReadLine's where the line ends in the block.
        const char* const from = block_.get() + next_;
        const char* const end = block_.get() + end_;
        const char* const stop = FindAny(from, end, '\r', '\n', '\n');
        if (end - stop >= 2) {
            part = std::string_view(from, static_cast<std::size_t>(stop - from));
            next_ = static_cast<std::size_t>(stop + 1 - block_.get());
            if (*stop == '\r' && block_[next_] == '\n') ++next_;
            midLine_ = false;
            lineEnds = true;
            return true;
        }
    }
    // Block by block, so that no more than `most` bytes are added at once.
    lineEnds = false;
    const std::size_t start = spare.size();
    while (spare.size() - start < most) {
        if (!Available()) {
            lineEnds = true;  // the chart's end ends the line
            break;
        }
        const char* const from = block_.get() + next_;
        const char* const end = block_.get() + std::min(end_, next_ + (most - (spare.size() - start)));
        const char* const stop = FindAny(from, end, '\r', '\n', '\n');
        spare.append(from, stop);
        next_ = static_cast<std::size_t>(stop - block_.get());
        if (stop != end) {
            ++next_;
            SkipLineEnd(static_cast<unsigned char>(*stop));
            lineEnds = true;
            break;
        }
    }
    if (failed_) {
        spare.clear();
        midLine_ = false;
        return false;
    }
    midLine_ = !lineEnds;
    part = spare;
    return true;
}

bool ChartStream::ReadField(std::string& field) {
    std::size_t length = 0;
    return ReadField(field, std::string::npos, length);
}

bool ChartStream::ReadField(std::string& field, std::size_t most, std::size_t& length) {
    field.clear();
    length = 0;
    if (AtEnd()) return false;
    while (Available() && (block_[next_] == ' ' || block_[next_] == '\t')) ++next_;
    // Up to the comma or line end; after a quoted field what follows the
    // closing quote is passed over.
    std::string* kept = &field;
    std::size_t taken = 0;
    if (Available() && block_[next_] == '"') {
        ++next_;
        TakeUntil('"', '"', '"', &field, most, taken);
        length = taken;
        kept = nullptr;
    }
    SkipLineEnd(TakeUntil(',', '\r', '\n', kept, most, taken));
    if (kept != nullptr) length = taken;
    return Whole(field);
}

bool ChartStream::ReadFieldBeginningWith(char first, std::string& field) {
    std::size_t length = 0;
    return ReadFieldBeginningWith(first, field, std::string::npos, length);
}

bool ChartStream::ReadFieldBeginningWith(char first, std::string& field, std::size_t most, std::size_t& length) {
    length = 0;
    if (AtEnd()) return ReadField(field, most, length);
    for (;;) {
        if (MayBeginWantedField(block_[next_], first)) return ReadField(field, most, length);
        const char* const block = block_.get();
        bool found = false;
        next_ = static_cast<std::size_t>(PassOverUnwantedFields(block + next_, block + end_, first, found) - block);
        if (found) continue;
        SkipLineEnd(TakeUntil(',', '\r', '\n', nullptr));
        if (failed_) return Whole(field);
        if (AtEnd()) {
            // The chart's last field, passed over.
            field.clear();
            return true;
        }
    }
}

bool ChartStream::Whole(std::string& text) {
    if (!failed_) return true;
    text.clear();
    return false;
}

}  // namespace stepquill
