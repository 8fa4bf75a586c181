#pragma once

#include <string>

#include <QStringList>

#include "progress_log.h"
#include "text_decoder.h"

class LogModel;

// List1's model as the conversion's log. Lines are collected and handed to
// the model in batches; whatever is left is handed over when the log goes
// away, so the list shows every line once the handler ends.
class ListLog final : public stepquill::ProgressLog {
public:
    // Lines that quote the chart are shown in the chart's encoding.
    ListLog(LogModel& model, stepquill::TextDecoder& decoder) : model_(model), decoder_(decoder) {}
    ~ListLog() override;
    ListLog(const ListLog&) = delete;
    ListLog& operator=(const ListLog&) = delete;

    void Clear() override;
    void Append(const std::string& line) override;

private:
    void Flush();

    LogModel& model_;
    stepquill::TextDecoder& decoder_;
    QStringList pending_;
};
