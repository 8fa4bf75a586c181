#pragma once

#include <QAbstractListModel>

#include <cstddef>
#include <string_view>

#include "log_lines.h"
#include "text_decoder.h"

// The lines of the progress log. Lines are only ever appended at the end or
// all removed; appending a whole batch at once keeps a conversion of a large
// chart from reporting a hundred thousand single insertions to the view.
// The lines are kept as bytes and decoded only when the view shows them. The
// log keeps at most its first kMostLines lines, then one line that says so:
// the timing file has every record, and a log of millions of lines could
// take all the memory. A batch that the memory left cannot hold cuts the
// log the same way, so a conversion never ends the window.
class LogModel final : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr std::size_t kMostLines = 1000000;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The encoding the lines are shown in, the chart's; none: UTF-8.
    void SetDecoder(stepquill::TextDecoder* decoder) { decoder_ = decoder; }
    void Clear();
    void Append(const LogLines& batch);
    // Ends the log with the line that says it was cut; later lines are dropped.
    void Cut();
    // Ends the log with the line that says how the run ended, even after a cut.
    void Conclude(std::string_view line);
    bool IsCut() const { return cut_; }

private:
    void Show();

    stepquill::TextDecoder* decoder_ = nullptr;
    LogLines lines_;
    std::size_t shown_ = 0;  // the lines the view knows of
    bool cut_ = false;
};
