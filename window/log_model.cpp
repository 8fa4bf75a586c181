#include "log_model.h"

#include <algorithm>
#include <new>
#include <string>

#include "chart_text.h"

namespace {

constexpr char kCutLine[] = "Log cut after 1000000 lines; the timing file holds every record.";

}  // namespace

int LogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown_);
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || std::size_t(index.row()) >= shown_) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const std::string line(lines_.Line(std::size_t(index.row())));
    if (decoder_ == nullptr) return QString::fromUtf8(line.data(), qsizetype(line.size()));
    return DecodeChartText(line, *decoder_);
}

void LogModel::Clear() {
    beginResetModel();
    lines_.Clear();
    shown_ = 0;
    cut_ = false;
    endResetModel();
}

void LogModel::Append(const LogLines& batch) {
    if (cut_ || batch.Count() == 0) return;
    const std::size_t room = kMostLines - lines_.Count();
    const std::size_t taken = std::min(batch.Count(), room);
    std::size_t added = 0;
    try {
        for (; added < taken; ++added) lines_.Add(batch.Line(added));
    } catch (const std::bad_alloc&) {
        // The lines added so far stay; the cut line says the rest is missing.
    }
    Show();
    if (added < batch.Count()) Cut();
}

// The lines are added first, since adding may fail; the view learns of
// them only once they are there.
void LogModel::Show() {
    if (lines_.Count() == shown_) return;
    beginInsertRows({}, int(shown_), int(lines_.Count()) - 1);
    shown_ = lines_.Count();
    endInsertRows();
}

void LogModel::Cut() {
    if (cut_) return;
    cut_ = true;
    try {
        lines_.Add(kCutLine);
        Show();
    } catch (const std::bad_alloc&) {
        // Not even the line fits; the log ends where it is.
    }
}

void LogModel::Conclude(std::string_view line) {
    try {
        lines_.Add(line);
        Show();
    } catch (const std::bad_alloc&) {
        // The log ends where it is.
    }
}
