#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The lines of the progress log. Lines are only ever appended at the end or
// all removed; appending a whole batch at once keeps a conversion of a large
// chart from reporting a hundred thousand single insertions to the view.
class LogModel final : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void Clear();
    void Append(const QStringList& lines);
    const QStringList& Lines() const { return lines_; }

private:
    QStringList lines_;
};
