#pragma once

#include <string>

#include <QString>

#include "text_decoder.h"

// The core keeps chart bytes as they are; the window shows them in the
// chart's encoding, decided once per chart, as the converter prints them.
QString DecodeChartText(const std::string& bytes, stepquill::TextDecoder& decoder);

// A label shows at most this many characters of a text: a title of
// megabytes, word-wrapped, would keep the window from answering for minutes.
inline constexpr qsizetype kLabelCharacters = 1000;

// The text as a label shows it: its first kLabelCharacters characters and
// "…" where it is longer.
QString LabelText(const QString& text);
