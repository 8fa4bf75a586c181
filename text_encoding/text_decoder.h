#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace stepquill {

// Turns text in one encoding into UTF-8. A byte that the encoding does not
// give a character becomes U+FFFD, so the result is always valid UTF-8.
class TextDecoder {
public:
    // None when the C library knows no encoding of that name.
    static std::optional<TextDecoder> Open(const std::string& encoding);

    TextDecoder(TextDecoder&& other) noexcept;
    TextDecoder& operator=(TextDecoder&& other) noexcept;
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;
    ~TextDecoder();

    const std::string& Encoding() const { return encoding_; }
    std::string ToUtf8(std::string_view bytes);

private:
    TextDecoder(std::string encoding, iconv_t converter);

    std::string encoding_;
    iconv_t converter_;
};

// Whether the whole text is valid in the encoding, every byte part of a
// character.
bool IsValidIn(const std::string& encoding, std::string_view bytes);

}  // namespace stepquill
