#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "chart_info.h"
#include "chart_source.h"
#include "conversion_request.h"
#include "note_writer.h"
#include "progress_log.h"

namespace stepquill {

// What a chart format brings: the reading of a chart's information, the
// timing file's name beside the chart, and the notes of a part. Everything
// else a run does, from opening the chart to putting the timing file in
// place, and everything a note becomes, is the same for every format.
class ChartFormatReader {
public:
    virtual ~ChartFormatReader() = default;

    // Reads the chart's information, starting from `before`. With `wanted`
    // the reading may end once a part that it names is listed.
    virtual ChartReading ReadInfo(ChartSource& chart, std::string_view wanted, const ChartInfo& before) = 0;

    // The timing file beside the chart; empty, with the reason, when the
    // chart path names none.
    virtual std::string TimingFileFor(const std::string& chartPath, std::string& reason) const = 0;

    // How the format's times and positions read.
    virtual Notation NotesNotation() const = 0;

    // A new chart, or the chart read again, is about to be converted: what
    // the reader kept of the last one no longer holds.
    virtual void StartChart() {}

    // Another reader of the format that knows what this one learned of the
    // chart, for parts converted on another thread from an opening of their
    // own; none where the format cannot give one.
    virtual std::unique_ptr<ChartFormatReader> Sibling() const { return nullptr; }

    // Finds the part the request names in `chart` and hands its notes to
    // `notes` in time order; returns why it stopped, or "" when the part was
    // converted whole. Between two StartChart calls, every call is handed
    // the same chart, so that what one call learned of it (where the parts
    // lie) saves the next a reading: parts converted in chart order read the
    // chart once in all.
    virtual std::string ConvertPart(ChartSource& chart, const ConversionRequest& request, NoteWriter& notes,
                                    ProgressLog& log) = 0;
};

}  // namespace stepquill
