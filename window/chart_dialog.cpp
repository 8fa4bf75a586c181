#include "chart_dialog.h"

#include <QFileDialog>

QString ChooseChartInDialog(QWidget* parent, const QString& startFolder) {
    // Charts made on Windows often carry the extension in capitals, and a
    // glob is case-sensitive here, so both spellings are listed.
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Open DWI chart"), startFolder,
        QStringLiteral("DWI charts (*.dwi *.DWI);;All files (*)"));
}
