#include "text_decoder.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace stepquill {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

}  // namespace

std::optional<TextDecoder> TextDecoder::Open(const std::string& encoding) {
    const iconv_t converter = ::iconv_open("UTF-8", encoding.c_str());
    if (converter == kNoConverter) return std::nullopt;
    return TextDecoder(encoding, converter);
}

TextDecoder::TextDecoder(std::string encoding, iconv_t converter)
    : encoding_(std::move(encoding)), converter_(converter) {}

TextDecoder::TextDecoder(TextDecoder&& other) noexcept
    : encoding_(std::move(other.encoding_)), converter_(std::exchange(other.converter_, kNoConverter)) {}

TextDecoder& TextDecoder::operator=(TextDecoder&& other) noexcept {
    if (this != &other) {
        if (converter_ != kNoConverter) ::iconv_close(converter_);
        encoding_ = std::move(other.encoding_);
        converter_ = std::exchange(other.converter_, kNoConverter);
    }
    return *this;
}

TextDecoder::~TextDecoder() {
    if (converter_ != kNoConverter) ::iconv_close(converter_);
}

std::string TextDecoder::ToUtf8(std::string_view bytes) {
    // A chart's structure is ASCII (its tags are found byte by byte), so any
    // encoding that can write one keeps ASCII as it is; most lines are
    // nothing else.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(bytes);
    std::string text;
    if (converter_ == kNoConverter) return text;
    ::iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    // iconv's interface takes a non-const input pointer but never writes
    // through it.
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = ::iconv(converter_, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        text.append(buffer, sizeof buffer - outLeft);
        if (done != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        // A byte without a character, or a character cut off at the end:
        // one replacement for the byte, then on from the next.
        text.append(kReplacement);
        ++in;
        --inLeft;
        ::iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    }
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    ::iconv(converter_, nullptr, nullptr, &out, &outLeft);
    text.append(buffer, sizeof buffer - outLeft);
    return text;
}

bool IsValidIn(const std::string& encoding, std::string_view bytes) {
    const iconv_t converter = ::iconv_open("UTF-8", encoding.c_str());
    if (converter == kNoConverter) return false;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    bool valid = true;
    char buffer[4096];
    while (valid && inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        if (::iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
            valid = errno == E2BIG;
    }
    ::iconv_close(converter);
    return valid;
}

}  // namespace stepquill
