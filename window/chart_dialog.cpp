#include "chart_dialog.h"

#include <QFileDialog>

QString ChooseChartInDialog(QWidget* parent, const QString& startFolder) {
    // Charts made on Windows often carry the ending in capitals, and a glob
    // is case-sensitive here: the second filter shows those. An archive of
    // songs opens as a library; a file dialog cannot also pick a folder, so
    // a library folder has a dialog of its own (Ctrl+Shift+O).
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Open chart"), startFolder,
        QStringLiteral("Charts and song archives (*.dwi *.sm *.ssc *.zip *.7z *.rar *.tar *.gz *.tgz *.bz2 "
                       "*.tbz2 *.xz *.txz *.zst *.tar.lz *.cpio *.iso);;"
                       "Charts with endings in capitals (*.DWI *.SM *.SSC);;All files (*)"));
}

QString ChooseLibraryFolderInDialog(QWidget* parent, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Open library folder"), startFolder);
}
