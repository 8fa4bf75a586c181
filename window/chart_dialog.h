#pragma once

#include <functional>

#include <QString>

class QWidget;

// Asks the user for a chart to open, starting in the given folder (empty: the
// dialog's own choice). Returns the chosen file's path, or an empty text when
// the user cancels. The window is handed one of these so that tests can
// answer in place of a modal dialog. A library folder is asked for the same
// way.
using ChartChooser = std::function<QString(QWidget* parent, const QString& startFolder)>;

// The file dialog that Ctrl+O opens: a chart, or an archive of songs.
QString ChooseChartInDialog(QWidget* parent, const QString& startFolder);

// The folder dialog that Ctrl+Shift+O opens: a song folder, a pack or a
// folder of packs.
QString ChooseLibraryFolderInDialog(QWidget* parent, const QString& startFolder);
