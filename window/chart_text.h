#pragma once

#include <string>

#include <QString>

// The core keeps chart bytes as they are; the window shows them as UTF-8 when
// they are valid UTF-8, and otherwise as Windows-1252, one character per
// byte, which is how charts written on Windows spell their accents and quotes.
QString DecodeChartText(const std::string& bytes);
