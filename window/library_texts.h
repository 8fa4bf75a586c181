#pragma once

#include <functional>

#include <QString>

#include "library_run.h"
#include "log_lines.h"

class QWidget;

// Asks whether to convert a library, with the question that says what it
// holds and where its files go; true to go on. The window is handed one of
// these so that tests can answer in place of a modal message box.
using LibraryConfirmer = std::function<bool(QWidget* parent, const QString& question)>;

// The message box that asks before a library is converted.
bool ConfirmLibraryInMessageBox(QWidget* parent, const QString& question);

// The question asked about the library at `library`, from its plan.
QString LibraryQuestion(const QString& library, const stepquill::LibraryPlan& plan);

// One line per chart or part that stopped and per entry not taken, then why
// the run ended early, if it did; the report's summary is not among them.
LogLines LibraryReportLines(const stepquill::LibraryReport& report);
