#include "chart_text.h"

#include <algorithm>

#include <QStringDecoder>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes that
// Windows-1252 leaves undefined keep their Latin-1 control characters.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString FromWindows1252(const std::string& bytes) {
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kWindows1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

}  // namespace

QString DecodeChartText(const std::string& bytes) {
    // Most log lines are plain ASCII; they need no decoder.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
        return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError()) return text;
    return FromWindows1252(bytes);
}

QString LabelText(const QString& text) {
    if (text.size() <= kLabelCharacters) return text;
    qsizetype kept = kLabelCharacters;
    // Never half of a character that takes two.
    if (text.at(kept - 1).isHighSurrogate()) --kept;
    return text.left(kept) + QChar(0x2026);
}
