// The window driven through its controls, headless.
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

#include "form1.h"

namespace {

const char kChart[] =
    "#TITLE:Song;\r\n#ARTIST:Band;\r\n#BPM:120.000;\r\n#GAP:0;\r\n#FREEZE:4.000=300.000;\r\n"
    "#SINGLE:BASIC:5:\r\n2080\r\n(2468)\r\n;\r\n"
    "#SINGLE:MANIAC:10:8888;\r\n";

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form_;
    QTemporaryDir dir_;

    template <typename T>
    T* Get(const char* name) {
        T* widget = form_->findChild<T*>(QLatin1String(name));
        if (widget == nullptr) qFatal("no control %s", name);
        return widget;
    }
    QStringList LogLines() {
        auto* model = qobject_cast<QStringListModel*>(Get<QListView>("List1")->model());
        if (model == nullptr) qFatal("List1 has no string list model");
        return model->stringList();
    }
    QStringList Items(const char* combo) {
        QStringList items;
        auto* box = Get<QComboBox>(combo);
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        return items;
    }
    // Sends a drag and a drop of `mime` onto Text2; returns whether the drag was accepted.
    bool Drop(QMimeData& mime) {
        QWidget* target = Get<QLineEdit>("Text2");
        const QPoint at(5, 5);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return enter.isAccepted();
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        form_ = std::make_unique<Form1>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() {
        form_.reset();
        QLocale::setDefault(QLocale::c());
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
    }

    void startState() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("Stepquill 1.3b by Vantrel"));
        QCOMPARE(Get<QLineEdit>("Text2")->text(), QString());
        QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
        QCOMPARE(Get<QComboBox>("Combo1")->currentText(), QString());
        const QStringList tokens{"A", "B", "X", "Y", "L", "R"};
        const char* names[] = {"Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo7"};
        const QStringList shown{"A", "Y", "X", "B", "Y", "A"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(Items(names[i]), tokens);
            QCOMPARE(Get<QComboBox>(names[i])->currentText(), shown[i]);
            QVERIFY(!Get<QComboBox>(names[i])->isEditable());
        }
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:"));
        QCOMPARE(Get<QLabel>("Label5")->text(), QString());
        QCOMPARE(Get<QLabel>("Label2")->text(), QStringLiteral("Path to DWI file (drag and drop):"));
        QCOMPARE(Get<QLabel>("Label7")->text(),
                 QStringLiteral("Latest version: https://stepquill.example.org/releases"));
        QCOMPARE(Get<QPushButton>("Command1")->text(), QStringLiteral("Convert"));
        QVERIFY(LogLines().isEmpty());
        QCOMPARE(form_->focusWidget(), Get<QPushButton>("Command1"));
    }

    void windowFrameAndFocusOrder() {
        QCOMPARE(form_->size(), QSize(276, 386));
        QCOMPARE(form_->minimumSize(), QSize(276, 386));
        QCOMPARE(form_->maximumSize(), QSize(276, 386));
        const Qt::WindowFlags flags = form_->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

        QStringList order;
        QWidget* start = Get<QPushButton>("Command1");
        QWidget* w = start;
        do {
            if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != start && order.size() < 50);
        QCOMPARE(order, (QStringList{"Command1", "List1", "Text2", "Combo1", "Combo2", "Combo3",
                                     "Combo4", "Combo5", "Combo6", "Combo7"}));
    }

    void geometry_data() {
        QTest::addColumn<QRect>("rect");
        QTest::newRow("Text2") << QRect(6, 13, 265, 19);
        QTest::newRow("Label5") << QRect(6, 30, 265, 31);
        QTest::newRow("Combo1") << QRect(162, 63, 109, 21);
        QTest::newRow("Label6") << QRect(114, 66, 49, 13);
        QTest::newRow("Line1") << QRect(0, 87, 276, 1);
        QTest::newRow("Combo7") << QRect(162, 198, 109, 21);
        QTest::newRow("Label13") << QRect(6, 204, 115, 13);
        QTest::newRow("Command1") << QRect(6, 222, 265, 37);
        QTest::newRow("List1") << QRect(6, 276, 265, 94);
        QTest::newRow("Label7") << QRect(6, 372, 265, 19);
    }
    void geometry() {
        QFETCH(QRect, rect);
        QCOMPARE(Get<QWidget>(QTest::currentDataTag())->geometry(), rect);
    }

    void readingThenTwoConversions() {
        const QString chart = Write(dir_, "song.dwi", kChart);
        QVERIFY(!chart.isEmpty());
        Get<QLineEdit>("Text2")->setText(chart);
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Song\nby Band"));
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:0ms"));
        QCOMPARE(Items("Combo1"), (QStringList{"BASIC(5)", "MANIAC(10)"}));
        QCOMPARE(Get<QComboBox>("Combo1")->currentText(), QStringLiteral("BASIC(5)"));

        QTest::mouseClick(Get<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(ReadBytes(dir_.filePath("song.kvt")),
                 QByteArray("X 0\nY 500\nX 1300\nA 1425\nB 1550\nY 1675\n"));
        QCOMPARE(LogLines(),
                 (QStringList{"Cleared file buffer", "Searching BASIC part.", "Freeze listing...",
                              "4.000=300.000;", "BASIC part found.", "X@0 beat=0 bpmc=0",
                              "Y@500 beat=1 bpmc=4", "Freeze 300.000;", "X@1300 beat=2 bpmc=8",
                              "A@1425 beat=2.25 bpmc=9", "B@1550 beat=2.5 bpmc=10",
                              "Y@1675 beat=2.75 bpmc=11"}));
        QCOMPARE(ReadBytes(chart), QByteArray(kChart));

        // A changed chooser and difficulty take effect at the next click.
        Get<QComboBox>("Combo1")->setCurrentIndex(1);
        Get<QComboBox>("Combo2")->setCurrentIndex(4);
        QTest::mouseClick(Get<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(ReadBytes(dir_.filePath("song.kvt")), QByteArray("Y 0\nY 250\nY 500\nY 1050\n"));
        QCOMPARE(LogLines().value(1), QStringLiteral("Searching MANIAC part."));

        // Emptying the path fails at the opening: chooser and log empty, labels kept.
        Get<QLineEdit>("Text2")->clear();
        QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
        QVERIFY(LogLines().isEmpty());
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));
    }

    void emptyPathClickDoesNothing() {
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        QTest::mouseClick(Get<QPushButton>("Command1"), Qt::LeftButton);
        QDir::setCurrent(before);
        QVERIFY(LogLines().isEmpty());
        QVERIFY(QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void drops() {
        const QString first = Write(dir_, "song.dwi", kChart);
        const QString second = Write(dir_, "other.dwi", "#TITLE:Other;\n");
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second),
                       QUrl::fromLocalFile(dir_.path())});
        QVERIFY(Drop(files));
        QCOMPARE(Get<QLineEdit>("Text2")->text(), first);
        QCOMPARE(Items("Combo1"), (QStringList{"BASIC(5)", "MANIAC(10)"}));

        // Text and web links are neither inserted nor read.
        QMimeData text;
        text.setText(QStringLiteral("dragged words"));
        QVERIFY(!Drop(text));
        QMimeData link;
        link.setUrls({QUrl(QStringLiteral("https://example.org/song.dwi"))});
        QVERIFY(!Drop(link));
        QCOMPARE(Get<QLineEdit>("Text2")->text(), first);
        QCOMPARE(Get<QComboBox>("Combo1")->count(), 2);

        // A folder fails at the opening, silently.
        QMimeData folder;
        folder.setUrls({QUrl::fromLocalFile(dir_.path())});
        QVERIFY(Drop(folder));
        QCOMPARE(Get<QLineEdit>("Text2")->text(), dir_.path());
        QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Song\nby Band"));
    }

    void regionalSeparatorAndLatin1Title() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString chart = Write(dir_, "cafe.dwi",
                                    "#TITLE:Caf\xE9;\n#ARTIST:Band;\n#BPM:145.5;\n#GAP:-12.25;\n"
                                    "#SINGLE:BASIC:3:\n8;\n");
        Get<QLineEdit>("Text2")->setText(chart);
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Caf\u00E9\nby Band"));
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:145,5"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:-12,25ms"));
        QTest::mouseClick(Get<QPushButton>("Command1"), Qt::LeftButton);
        const QByteArray german = ReadBytes(dir_.filePath("cafe.kvt"));
        QVERIFY(german.startsWith("Y -1"));

        // The timing file does not depend on the regional settings.
        QLocale::setDefault(QLocale::c());
        Get<QLineEdit>("Text2")->setText(QString());
        Get<QLineEdit>("Text2")->setText(chart);
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:145.5"));
        QTest::mouseClick(Get<QPushButton>("Command1"), Qt::LeftButton);
        QCOMPARE(ReadBytes(dir_.filePath("cafe.kvt")), german);
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
