#include "path_completion.h"

#include <QAbstractFileIconProvider>
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

namespace {

// The default provider tells a file's type, and so its icon, from its
// contents where its name does not tell: it opens and reads the file, and a
// file whose read waits (/proc/kmsg) hangs the completion, while reading
// the kernel log away from whoever wants it. The offers need names only.
class NamesOnly final : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType) const override { return {}; }
    QIcon icon(const QFileInfo&) const override { return {}; }
    // The model takes an entry without a type for one not yet looked at,
    // and offers none of those; the kind the listing already knows will do.
    QString type(const QFileInfo& info) const override {
        return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
    }
};

}  // namespace

void CompleteLocalPaths(QLineEdit& field) {
    auto* completer = new ChartPathCompleter(&field);
    // The model reads a folder only when the typed text reaches into it, on
    // a thread of its own, so typing never waits for a large folder. It
    // lists names and never opens a file: no icons or types from contents,
    // no folder icons from a folder's own settings file, and no watching
    // of the folders listed.
    auto* folders = new QFileSystemModel(completer);
    // It holds nothing, and must outlive the model's thread, which is
    // stopped only after the model itself is gone.
    static NamesOnly names;
    folders->setIconProvider(&names);
    folders->setOption(QFileSystemModel::DontUseCustomDirectoryIcons);
    folders->setOption(QFileSystemModel::DontWatchForChanges);
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
