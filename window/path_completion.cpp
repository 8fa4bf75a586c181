#include "path_completion.h"

#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>

namespace {

class ChartPathCompleter final : public QCompleter {
public:
    using QCompleter::QCompleter;

    QStringList splitPath(const QString& path) const override {
        // A whole file name is typed: a first piece that no entry of the
        // root ("/") matches leaves no offers, and the pop-up closes. Only
        // the file's status is looked at, never its contents.
        if (QFileInfo(path).isFile()) return {QStringLiteral("\n")};
        return QCompleter::splitPath(path);
    }
};

}  // namespace

void CompleteLocalPaths(QLineEdit& field) {
    auto* completer = new ChartPathCompleter(&field);
    // The model reads a folder only when the typed text reaches into it, on
    // a thread of its own, so typing never waits for a large folder.
    auto* folders = new QFileSystemModel(completer);
    folders->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    // Without QDir::CaseSensitive the patterns match in any case, as charts
    // made on Windows often end in ".DWI".
    folders->setNameFilters({QStringLiteral("*.dwi"), QStringLiteral("*.sm"), QStringLiteral("*.ssc")});
    folders->setNameFilterDisables(false);
    folders->setRootPath(QString());
    completer->setModel(folders);
    // Inline completion would insert text the user never typed, and with it
    // a reading of a path the user did not ask for.
    completer->setCompletionMode(QCompleter::PopupCompletion);
    // The field is narrow; a long name wraps rather than losing its middle
    // or its end, which could make two names look the same.
    auto* offers = new QListView;
    offers->setTextElideMode(Qt::ElideNone);
    offers->setWordWrap(true);
    completer->setPopup(offers);
    field.setCompleter(completer);
}
