#pragma once

#include <string>

#include <QString>

#include "text_decoder.h"

// The core keeps chart bytes as they are; the window shows them in the
// chart's encoding, decided once per chart, as the converter prints them.
QString DecodeChartText(const std::string& bytes, stepquill::TextDecoder& decoder);
