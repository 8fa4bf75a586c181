#include "list_log.h"

#include <QStringDecoder>
#include <QStringListModel>

QString DecodeChartText(const std::string& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

void ListLog::Clear() { model_.setStringList({}); }

void ListLog::Append(const std::string& line) {
    const int row = model_.rowCount();
    model_.insertRows(row, 1);
    model_.setData(model_.index(row), DecodeChartText(line));
}
