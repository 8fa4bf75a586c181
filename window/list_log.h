#pragma once

#include <string>

#include "log_lines.h"
#include "progress_log.h"

class LogModel;

// List1's model as the conversion's log. Lines are collected and handed to
// the model in batches; whatever is left is handed over when the log goes
// away, so the list shows every line once the handler ends.
class ListLog final : public stepquill::ProgressLog {
public:
    explicit ListLog(LogModel& model) : model_(model) {}
    ~ListLog() override;
    ListLog(const ListLog&) = delete;
    ListLog& operator=(const ListLog&) = delete;

    void Clear() override;
    void Append(const std::string& line) override;
    // Once the log is cut, the arrows' lines are not even built.
    bool KeepsLines() const override;

private:
    void Flush();

    LogModel& model_;
    LogLines pending_;
};
