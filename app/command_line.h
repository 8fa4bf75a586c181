#pragma once

#include <QString>
#include <QStringList>

// Whether the command line asks for --help, --help-all or --version, which
// are answered in a terminal and need no display.
bool AsksOnlyForText(int argc, const char* const* argv);

// Reads the program's command line, `stepquill [CHART]`, with Qt's own
// options already taken out. --help, --version and a wrong option are
// answered on the terminal and end the program, as QCommandLineParser does.
// Returns the chart to open, the first of several as with a drop, or an empty
// text when none is named.
QString ChartFromCommandLine(const QStringList& arguments);
