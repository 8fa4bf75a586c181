#include "chart_text.h"

QString DecodeChartText(const std::string& bytes, stepquill::TextDecoder& decoder) {
    const std::string text = decoder.ToUtf8(bytes);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
