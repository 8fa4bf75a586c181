#include "value_reader.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace stepquill::stepmania {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

class TextSink {
public:
    static constexpr bool kKeepsText = true;
    TextSink(std::string& text, std::size_t keep) : text_(text), keep_(keep) { text_.clear(); }
    void Take(const char* bytes, std::size_t count) {
        if (text_.size() < keep_) text_.append(bytes, std::min(count, keep_ - text_.size()));
    }
    void TrimEnd() {
        while (!text_.empty() && (IsBlank(text_.back()) || text_.back() == '\r' || text_.back() == '\n'))
            text_.pop_back();
    }

private:
    std::string& text_;
    std::size_t keep_;
};

struct NoSink {
    static constexpr bool kKeepsText = false;
    void Take(const char*, std::size_t) {}
    void TrimEnd() {}
};

#if defined(__GNUC__) && defined(__x86_64__)
#define STEPQUILL_VALUE_SPECIAL_AVX2 1
// FindValueSpecial's 128 bytes at a time on a processor with AVX2: the first
// of from..end where 128 bytes from there hold a ":", ";", "#" or "\\", or
// where fewer than 128 are left.
[[gnu::target("avx2")]] std::size_t SkipPlainWide(const char* bytes, std::size_t from, std::size_t end) {
    const __m256i hash = _mm256_set1_epi8('#');
    const __m256i backslash = _mm256_set1_epi8('\\');
    const __m256i lowestBit = _mm256_set1_epi8(1);
    const __m256i semicolon = _mm256_set1_epi8(';');
    for (; end - from >= 128; from += 128) {
        __m256i any = _mm256_setzero_si256();
        for (std::size_t at = from; at < from + 128; at += 32) {
            const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at));
            any = _mm256_or_si256(any, _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(here, hash),
                                                                       _mm256_cmpeq_epi8(here, backslash)),
                                                       _mm256_cmpeq_epi8(_mm256_or_si256(here, lowestBit), semicolon)));
        }
        if (_mm256_movemask_epi8(any) != 0) break;
    }
    return from;
}
#endif

}  // namespace

ValueReader::ValueReader(ChartSource& source)
    : source_(source),
      block_(std::make_unique_for_overwrite<char[]>(kBlockSize))
#ifdef STEPQUILL_VALUE_SPECIAL_AVX2
      ,
      wide_(__builtin_cpu_supports("avx2"))
#endif
{
}

bool ValueReader::Have(std::size_t count) {
    if (end_ - next_ >= count) return true;
    if (failed_ || atEnd_) return false;
    // The bytes before next_ are read; the line flag must not need them.
    CatchUpLine(next_);
    const std::size_t unread = end_ - next_;
    std::memmove(block_.get(), block_.get() + next_, unread);
    blockOffset_ += next_;
    flagAt_ -= next_;
    next_ = 0;
    end_ = unread;
    while (end_ < count) {
        const std::ptrdiff_t got = source_.Read(block_.get() + end_, kBlockSize - end_);
        if (got < 0) {
            failed_ = true;
            return false;
        }
        if (got == 0) {
            atEnd_ = true;
            return false;
        }
        end_ += static_cast<std::size_t>(got);
    }
    return true;
}

std::size_t ValueReader::FindSpecial(std::size_t from, bool inValue) const {
    const char* const bytes = block_.get();
#ifdef __SSE2__
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i backslash = _mm_set1_epi8('\\');
    // ":" and ";" differ in their lowest bit only: one comparison finds
    // both. Outside a value neither counts: no byte with its lowest bit set
    // equals 0xFE.
    const __m128i lowestBit = _mm_set1_epi8(1);
    const __m128i colonOrSemicolon = _mm_set1_epi8(inValue ? ';' : static_cast<char>(0xFE));
    for (; end_ - from >= 16; from += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + from));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(here, hash), _mm_cmpeq_epi8(here, slash)),
            _mm_or_si128(_mm_cmpeq_epi8(here, backslash),
                         _mm_cmpeq_epi8(_mm_or_si128(here, lowestBit), colonOrSemicolon)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return from + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; from < end_; ++from) {
        const char c = bytes[from];
        if (c == '#' || c == '/' || c == '\\' || (inValue && (c == ':' || c == ';'))) return from;
    }
    return from;
}

std::size_t ValueReader::FindValueSpecial(std::size_t from) const {
    const char* const bytes = block_.get();
#ifdef STEPQUILL_VALUE_SPECIAL_AVX2
    if (wide_) from = SkipPlainWide(bytes, from, end_);
#endif
#ifdef __SSE2__
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i lowestBit = _mm_set1_epi8(1);
    const __m128i semicolon = _mm_set1_epi8(';');
    const auto hits = [&](std::size_t at) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(here, hash), _mm_cmpeq_epi8(here, backslash)),
                            _mm_cmpeq_epi8(_mm_or_si128(here, lowestBit), semicolon));
    };
    // Note data holds none of these for thousands of bytes: 64 bytes are
    // tested at once, and the 16 that hold the hit looked at again.
    for (; end_ - from >= 64; from += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(hits(from), hits(from + 16)),
                                         _mm_or_si128(hits(from + 32), hits(from + 48)));
        if (_mm_movemask_epi8(any) != 0) break;
    }
    for (; end_ - from >= 16; from += 16) {
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits(from)));
        if (mask != 0) return from + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; from < end_; ++from) {
        const char c = bytes[from];
        if (c == '#' || c == '\\' || c == ':' || c == ';') return from;
    }
    return from;
}

std::size_t ValueReader::FindSpecialPastComments(std::size_t from) {
    const char* const bytes = block_.get();
    for (;;) {
        // The first byte that may end the parameter, comments aside. Before
        // it there is no "\\", so the first "//" of its line (from `from` on)
        // starts a comment, and the byte is in it exactly when there is one.
        const std::size_t hit = FindValueSpecial(from);
        std::size_t lineStart = hit;
        while (lineStart > from && bytes[lineStart - 1] != '\n') --lineStart;
        std::size_t comment = lineStart;
        while (comment + 1 < hit && !(bytes[comment] == '/' && bytes[comment + 1] == '/')) ++comment;
        if (comment + 1 >= hit) {
            // A "/" that ends the block may start a comment with the next
            // block's first byte: the byte-by-byte rules decide.
            if (hit == end_ && hit > from && bytes[hit - 1] == '/') return hit - 1;
            return hit;
        }
        // A comment ends before its line feed; one that runs past the block
        // is left to the byte-by-byte rules.
        const void* lineEnd = std::memchr(bytes + hit, '\n', end_ - hit);
        if (lineEnd == nullptr) return comment;
        from = flagAt_ = static_cast<std::size_t>(static_cast<const char*>(lineEnd) - bytes);
    }
}

void ValueReader::CatchUpLine(std::size_t to) {
    // The last line end or non-blank before `to` decides; with neither, the
    // flag stands as it was.
    for (std::size_t at = to; at > flagAt_; --at) {
        const char c = block_[at - 1];
        if (c == '\n' || c == '\r') {
            lineHasText_ = false;
            break;
        }
        if (!IsBlank(c)) {
            lineHasText_ = true;
            break;
        }
    }
    flagAt_ = to;
}

void ValueReader::SkipComment() {
    // Most comments are a few words, "// measure 12": looked through byte by
    // byte, cheaper than a call for each.
    const std::size_t nearEnd = std::min(end_, next_ + 32);
    for (std::size_t at = next_ + 2; at < nearEnd; ++at) {
        if (block_[at] == '\n') {
            next_ = flagAt_ = at;
            return;
        }
    }
    for (;;) {
        const void* lineEnd = std::memchr(block_.get() + next_, '\n', end_ - next_);
        if (lineEnd != nullptr) {
            next_ = static_cast<std::size_t>(static_cast<const char*>(lineEnd) - block_.get());
            flagAt_ = next_;
            return;
        }
        next_ = end_;
        flagAt_ = next_;
        if (!Have(1)) return;
    }
}

bool ValueReader::NextValue() {
    if (valueStarted_) {
        valueStarted_ = false;
        return true;
    }
    for (;;) {
        if (next_ == end_ && !Have(1)) return false;
        next_ = FindSpecial(next_, false);
        flagAt_ = next_;
        if (next_ == end_) continue;
        const char c = block_[next_];
        if (c == '#') {
            ++next_;
            return true;
        }
        if (c == '/') {
            if (Have(2) && block_[next_ + 1] == '/')
                SkipComment();
            else
                ++next_;
            continue;
        }
        // A "\" outside a value passes over itself and the byte after it.
        next_ += Have(2) ? 2 : 1;
    }
}

ValueReader::End ValueReader::ReadParameter(std::string& text, std::size_t keep) {
    TextSink sink(text, keep);
    return Scan(sink);
}

ValueReader::End ValueReader::SkipParameter() {
    NoSink sink;
    return Scan(sink);
}

bool ValueReader::ReturnTo(std::uint64_t offset) {
    if (failed_ || !source_.Seek(offset)) return false;
    blockOffset_ = offset;
    next_ = end_ = flagAt_ = 0;
    atEnd_ = false;
    valueStarted_ = false;
    return true;
}

}  // namespace stepquill::stepmania
