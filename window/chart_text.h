#pragma once

#include <string>

#include <QString>

// The core keeps chart bytes as they are; the window shows them as UTF-8 when
// they are valid UTF-8, and otherwise as Windows-1252, one character per
// byte, which is how charts written on Windows spell their accents and quotes.
QString DecodeChartText(const std::string& bytes);

// A label shows at most this many characters of a text: a title of
// megabytes, word-wrapped, would keep the window from answering for minutes.
inline constexpr qsizetype kLabelCharacters = 1000;

// The text as a label shows it: its first kLabelCharacters characters and
// "…" where it is longer.
QString LabelText(const QString& text);
