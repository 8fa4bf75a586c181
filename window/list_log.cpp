#include "list_log.h"

#include <new>

#include "log_model.h"

namespace {

// Large enough that the view's bookkeeping per insertion disappears, small
// enough that the pending lines never rival the model itself in memory.
constexpr qsizetype kBatchLines = 8192;

}  // namespace

ListLog::~ListLog() { Flush(); }

void ListLog::Clear() {
    pending_.Clear();
    model_.Clear();
}

void ListLog::Append(const std::string& line) {
    if (model_.IsCut()) return;
    try {
        pending_.Add(line);
    } catch (const std::bad_alloc&) {
        // The model cuts the log where the lines it was handed end.
        Flush();
        model_.Cut();
        return;
    }
    if (pending_.Count() >= kBatchLines) Flush();
}

bool ListLog::KeepsLines() const { return !model_.IsCut(); }

void ListLog::Flush() {
    model_.Append(pending_);
    pending_.Clear();
}
