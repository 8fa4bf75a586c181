#include "log_mailbox.h"

#include <new>
#include <utility>

#include "log_model.h"

void LogMailbox::Clear() {
    const std::lock_guard lock(mutex_);
    cleared_ = true;
    lines_.Clear();
    sent_ = 0;
    lost_ = false;
}

void LogMailbox::Append(const std::string& line) {
    if (!KeepsLines()) return;
    const std::lock_guard lock(mutex_);
    try {
        lines_.Add(line);
        ++sent_;
    } catch (const std::bad_alloc&) {
        // The log ends here, cut as the model cuts a log too long for it.
        lost_ = true;
    }
}

void LogMailbox::Deliver(LogModel& model) {
    LogLines lines;
    bool cleared = false;
    {
        const std::lock_guard lock(mutex_);
        std::swap(lines, lines_);
        std::swap(cleared, cleared_);
    }
    if (cleared) model.Clear();
    model.Append(lines);
    if (lost_) model.Cut();
}
