#include "chart_dialog.h"

#include <QFileDialog>

QString ChooseChartInDialog(QWidget* parent, const QString& startFolder) {
    // Charts made on Windows often carry the ending in capitals, and a glob
    // is case-sensitive here: the second filter shows those.
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Open chart"), startFolder,
        QStringLiteral("Charts (*.dwi *.sm *.ssc);;Charts with endings in capitals (*.DWI *.SM *.SSC);;All files (*)"));
}
