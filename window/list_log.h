#pragma once

#include <string>

#include <QString>

#include "progress_log.h"

class QStringListModel;

// The core keeps chart bytes as they are; the window shows them as UTF-8 when
// they are valid UTF-8 and as one character per byte otherwise.
QString DecodeChartText(const std::string& bytes);

// List1's model as the conversion's log.
class ListLog final : public stepquill::ProgressLog {
public:
    explicit ListLog(QStringListModel& model) : model_(model) {}
    void Clear() override;
    void Append(const std::string& line) override;

private:
    QStringListModel& model_;
};
