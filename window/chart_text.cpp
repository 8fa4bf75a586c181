#include "chart_text.h"

QString DecodeChartText(const std::string& bytes, stepquill::TextDecoder& decoder) {
    const std::string text = decoder.ToUtf8(bytes);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString LabelText(const QString& text) {
    if (text.size() <= kLabelCharacters) return text;
    qsizetype kept = kLabelCharacters;
    // Never half of a character that takes two.
    if (text.at(kept - 1).isHighSurrogate()) --kept;
    return text.left(kept) + QChar(0x2026);
}
