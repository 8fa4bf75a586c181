#include "path_completion.h"

#include <QCompleter>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>

void CompleteLocalPaths(QLineEdit& field) {
    auto* completer = new QCompleter(&field);
    // The model reads a folder only when the typed text reaches into it, on
    // a thread of its own, so typing never waits for a large folder.
    auto* folders = new QFileSystemModel(completer);
    folders->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    folders->setRootPath(QString());
    completer->setModel(folders);
    // Inline completion would insert text the user never typed, and with it
    // a reading of a path the user did not ask for.
    completer->setCompletionMode(QCompleter::PopupCompletion);
    field.setCompleter(completer);
}
