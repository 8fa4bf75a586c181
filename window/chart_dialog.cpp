#include "chart_dialog.h"

#include <QFileDialog>
#include <QStringList>

#include "library_run.h"

QString ChooseChartInDialog(QWidget* parent, const QString& startFolder) {
    // Charts made on Windows often carry the ending in capitals, and a glob
    // is case-sensitive here: the second filter shows those. An archive of
    // songs opens as a library; a file dialog cannot also pick a folder, so
    // a library folder has a dialog of its own (Ctrl+Shift+O).
    QStringList archives;
    for (std::string_view ending : stepquill::ArchiveEndings())
        archives << QStringLiteral("*") + QString::fromUtf8(ending.data(), static_cast<qsizetype>(ending.size()));
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Open chart"), startFolder,
        QStringLiteral("Charts and song archives (*.dwi *.sm *.ssc ") + archives.join(u' ') +
            QStringLiteral(");;Charts with endings in capitals (*.DWI *.SM *.SSC);;All files (*)"));
}

QString ChooseLibraryFolderInDialog(QWidget* parent, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Open library folder"), startFolder);
}
