#pragma once

#include <string>

#include "arrow_tokens.h"
#include "chart_info.h"
#include "conversion_request.h"

namespace stepquill::support {

// The request to convert `part` of the chart at `chart`, from the chart's
// `reading`, with the other choices of `settings`.
inline ConversionRequest Asking(const std::string& chart, const std::string& part, const ChartInfo& reading = {},
                                ConversionRequest settings = {}, const ArrowTokens& tokens = {}) {
    settings.ChartPath = chart;
    settings.Part = part;
    settings.Reading = reading;
    settings.Tokens = tokens;
    return settings;
}

}  // namespace stepquill::support
