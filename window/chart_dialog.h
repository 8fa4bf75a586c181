#pragma once

#include <functional>

#include <QString>

class QWidget;

// Asks the user for a chart to open, starting in the given folder (empty: the
// dialog's own choice). Returns the chosen file's path, or an empty text when
// the user cancels. The window is handed one of these so that tests can
// answer in place of a modal dialog.
using ChartChooser = std::function<QString(QWidget* parent, const QString& startFolder)>;

// The file dialog that Ctrl+O opens.
QString ChooseChartInDialog(QWidget* parent, const QString& startFolder);
