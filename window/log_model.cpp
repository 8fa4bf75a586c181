#include "log_model.h"

int LogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= lines_.size()) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    return lines_.at(index.row());
}

void LogModel::Clear() {
    beginResetModel();
    lines_.clear();
    endResetModel();
}

void LogModel::Append(const QStringList& lines) {
    if (lines.isEmpty()) return;
    const int first = int(lines_.size());
    beginInsertRows({}, first, first + int(lines.size()) - 1);
    lines_.append(lines);
    endInsertRows();
}
