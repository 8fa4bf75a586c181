#include "list_log.h"

#include "chart_text.h"
#include "log_model.h"

namespace {

// Large enough that the view's bookkeeping per insertion disappears, small
// enough that the pending lines never rival the model itself in memory.
constexpr qsizetype kBatchLines = 8192;

}  // namespace

ListLog::~ListLog() { Flush(); }

void ListLog::Clear() {
    pending_.clear();
    model_.Clear();
}

void ListLog::Append(const std::string& line) {
    pending_.append(DecodeChartText(line, decoder_));
    if (pending_.size() >= kBatchLines) Flush();
}

void ListLog::Flush() {
    model_.Append(pending_);
    pending_.clear();
}
