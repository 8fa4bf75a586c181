#include "path_completion.h"

#include <QAbstractFileIconProvider>
#include <QAbstractItemDelegate>
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

// Has every offer measured at the width the list shows it in. The list lays
// its offers out with one measure and later asks again, for drawing, with
// its contents' width: the widest offer's own width, margins included.
// Measured again with its margins taken off, that offer no longer fits its
// line; when its name has a space, where a line may break, it becomes two
// lines tall in a place laid out for one and is drawn over the offer below
// ("My Songs" over "afro.dwi"). The completer's own delegate still draws,
// so the offer under the pointer stays marked.
class MeasuredAtListWidth final : public QAbstractItemDelegate {
public:
    MeasuredAtListWidth(QListView& list, QAbstractItemDelegate& drawing)
        : QAbstractItemDelegate(&list), list_(list), drawing_(drawing) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        drawing_.paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem shown = option;
        shown.rect.setWidth(list_.viewport()->width());
        return drawing_.sizeHint(shown, index);
    }

private:
    QListView& list_;
    QAbstractItemDelegate& drawing_;
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
    // Lines wrap at the list's width, which shrinks when a scroll bar comes:
    // the offers are laid out again, or one that needs a second line there
    // would be drawn over the next.
    offers->setResizeMode(QListView::Adjust);
    completer->setPopup(offers);
    // After setPopup, which gives the list the completer's delegate.
    offers->setItemDelegate(new MeasuredAtListWidth(*offers, *offers->itemDelegate()));
    field.setCompleter(completer);
}
