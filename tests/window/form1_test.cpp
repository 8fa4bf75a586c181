// The window driven through its controls, headless.
#include <QAccessible>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QTimer>
#include <QComboBox>
#include <QFileSystemModel>
#include <QCompleter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QCompleter>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMimeData>
#include <QProgressDialog>
#include <QProcess>
#include <QPushButton>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>
#include <QUrl>
#include <QtTest>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include <sys/stat.h>

#include "convert_to_dialog.h"
#include "find_control.h"
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

// A DWI chart of one difficulty, BASIC at 3.
QByteArray DwiChart(const QByteArray& title, const QByteArray& artist, const QByteArray& steps = "8") {
    return "#TITLE:" + title + ";\n#ARTIST:" + artist + ";\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:3:\n" + steps +
           ";\n";
}

// A chart of a shared set; a test without the set fails.
QByteArray SharedChart(const char* set, const char* name) {
    return ReadBytes(QStringLiteral(STEPQUILL_SOURCE_DIR "/../shared/charts/") + QLatin1String(set) + "/" +
                     QLatin1String(name));
}

// A StepMania chart of the shared set; a test without the set fails.
QByteArray SharedChart(const char* name) { return SharedChart("sm", name); }

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

// The real charts a library's songs are copies of, each in a song folder of
// its own name.
constexpr const char* kLibrarySongs[] = {"noahm-simfileparser__AFRONOVA.dwi", "noahm-simfileparser__17SAI.dwi"};

// A pack of song folders, each with a copy of a real chart; the pack's folder.
QString WriteLibrary(const QTemporaryDir& dir) {
    const QString pack = dir.filePath(QStringLiteral("Pack"));
    for (const char* song : kLibrarySongs) {
        const QString folder = pack + "/" + QString::fromLatin1(song).section('.', 0, 0);
        if (!QDir().mkpath(folder) ||
            !QFile::copy(QStringLiteral(STEPQUILL_SOURCE_DIR "/../shared/charts/real/") + QLatin1String(song),
                         folder + "/" + QLatin1String(song)))
            return {};
    }
    return pack;
}

QStringList TimingFilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator found(folder, {QStringLiteral("*.kvt")}, QDir::Files, QDirIterator::Subdirectories);
    while (found.hasNext()) files << found.next();
    return files;
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form_;
    QTemporaryDir dir_;

    template <typename T>
    T* Get(const char* name) {
        return FindControl<T>(*form_, name);
    }
    QStringList LogLines() {
        const QAbstractItemModel* model = Get<QListView>("List1")->model();
        QStringList lines;
        for (int row = 0; row < model->rowCount(); ++row)
            lines << model->index(row, 0).data().toString();
        return lines;
    }
    QStringList Items(const char* combo) {
        QStringList items;
        auto* box = Get<QComboBox>(combo);
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        return items;
    }
    // A window whose readings are counted as they are asked for, whether
    // or not a newer one supersedes them before they are shown.
    std::shared_ptr<std::atomic<int>> CountReadings() {
        auto count = std::make_shared<std::atomic<int>>(0);
        form_ = std::make_unique<Form1>(ChooseChartInDialog, [count](const std::string& path,
                                                                      const stepquill::ChartInfo& before,
                                       const std::atomic<bool>& abandoned) {
            ++*count;
            return Form1::ReadChartFile(path, before, abandoned);
        });
        form_->show();
        if (!QTest::qWaitForWindowExposed(form_.get())) return nullptr;
        return count;
    }
    // Readings and conversions run off the window's thread: waits for them.
    void Settle() { QVERIFY(QTest::qWaitFor([this] { return !form_->IsBusy(); }, 30000)); }
    void SetPath(const QString& path) {
        Get<QLineEdit>("Text2")->setText(path);
        Settle();
    }
    void ClickConvert() {
        QTest::mouseClick(Get<QPushButton>("Command1"), Qt::LeftButton);
        Settle();
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
        QCOMPARE(Get<QLabel>("Label2")->text(), QStringLiteral("Path to chart file (drag and drop):"));
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

        // The icon has both sizes, black at the corner and white on the arrow's tip.
        const QIcon icon = form_->windowIcon();
        QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
        const QImage large = icon.pixmap(QSize(32, 32)).toImage();
        QCOMPARE(large.size(), QSize(32, 32));
        QCOMPARE(large.pixelColor(0, 0), QColor(Qt::black));
        bool white = false, green = false;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QColor c = large.pixelColor(x, y);
                white |= c == QColor(Qt::white);
                green |= c.green() > 150 && c.red() < 100 && c.blue() < 100;
            }
        QVERIFY(white && green);

    }

    void keyboard() {
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        const QStringList forward{"Command1", "List1",  "Text2",  "Combo1", "Combo2",
                                  "Combo3",   "Combo4", "Combo5", "Combo6", "Combo7"};
        QStringList visited;
        for (int i = 0; i <= forward.size(); ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, forward + QStringList{"Command1"});
        visited.clear();
        Get<QPushButton>("Command1")->setFocus();
        for (int i = 0; i <= forward.size(); ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        }
        QStringList backward{"Command1"};
        for (auto it = forward.crbegin(); it != forward.crend(); ++it) backward << *it;
        QCOMPARE(visited, backward);

        // Escape presses nothing; Enter on the button converts.
        const QString chart = Write(dir_, "song.dwi", kChart);
        SetPath(chart);
        Get<QLineEdit>("Text2")->setFocus();
        QTest::keyClick(Get<QLineEdit>("Text2"), Qt::Key_Escape);
        QVERIFY(form_->isVisible());
        Get<QPushButton>("Command1")->setFocus();
        QTest::keyClick(Get<QPushButton>("Command1"), Qt::Key_Escape);
        QVERIFY(!QFile::exists(dir_.filePath("song.kvt")));
        QTest::keyClick(Get<QPushButton>("Command1"), Qt::Key_Return);
        Settle();
        QVERIFY(QFile::exists(dir_.filePath("song.kvt")));
        QVERIFY(form_->isVisible());
    }

    // Enter where the chart and its part are chosen does what "Convert" does.
    void enterConverts_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("chart");
        QTest::addColumn<QString>("searching");
        const QByteArray dwi(kChart);
        const QString maniac = QStringLiteral("Searching MANIAC part.");
        QTest::newRow("path, Return") << "Text2" << int(Qt::Key_Return) << "song.dwi" << dwi << maniac;
        QTest::newRow("path, keypad Enter") << "Text2" << int(Qt::Key_Enter) << "song.dwi" << dwi << maniac;
        QTest::newRow("difficulty, Return") << "Combo1" << int(Qt::Key_Return) << "song.dwi" << dwi << maniac;
        QTest::newRow("difficulty, keypad Enter") << "Combo1" << int(Qt::Key_Enter) << "song.dwi" << dwi << maniac;
        QTest::newRow("real .sm, path, Return") << "Text2" << int(Qt::Key_Return) << "song.sm"
                                                << SharedChart("garcia-simfile__backup.sm")
                                                << "Searching Easy(3) part.";
        QTest::newRow("real .ssc, difficulty, Return") << "Combo1" << int(Qt::Key_Return) << "song.ssc"
                                                       << SharedChart("garcia-simfile__backup.ssc")
                                                       << "Searching Easy(3) part.";
    }
    void enterConverts() {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(QString, name);
        QFETCH(QByteArray, chart);
        QFETCH(QString, searching);
        SetPath(Write(dir_, name, chart));
        Get<QComboBox>("Combo1")->setCurrentIndex(1);
        QWidget* target = Get<QWidget>(control.toLatin1().constData());
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        Settle();
        QVERIFY(QFile::exists(dir_.filePath("song.kvt")));
        QCOMPARE(LogLines().value(1), searching);
    }

    // The pop-up offers folders and charts only, whole, each in a place of
    // its own, and closes once the typed text names a file, so the first
    // click on "Convert" converts.
    void completionOffersChartsAndClosesOnAWholePath() {
        for (const char* name : {"a.dwi", "B.DWI", "c.sm", "d.SSC", "e.kvt", "f.txt", "g.dwi.bak"})
            QVERIFY(!Write(dir_, name, kChart).isEmpty());
        // The widest offer, with a space where its line could break.
        QVERIFY(QDir(dir_.path()).mkdir("My Songs"));
        auto* path = Get<QLineEdit>("Text2");
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        path->setFocus();
        QTest::keyClicks(path, dir_.path() + "/");
        QCompleter* completer = path->completer();
        // The folder is listed on a thread of its own; the pop-up opens once
        // the offers are there when the text is completed again.
        auto* model = qobject_cast<QFileSystemModel*>(completer->model());
        QTRY_VERIFY((model->rowCount(model->index(dir_.path())) > 0 && (completer->complete(), true) &&
                     completer->popup()->isVisible()));
        QStringList offered;
        for (int row = 0; row < completer->completionCount(); ++row) {
            completer->setCurrentRow(row);
            offered << QFileInfo(completer->currentCompletion()).fileName();
        }
        offered.sort();
        QCOMPARE(offered, (QStringList{"B.DWI", "My Songs", "a.dwi", "c.sm", "d.SSC"}));
        auto* offers = qobject_cast<QListView*>(completer->popup());
        QCOMPARE(offers->textElideMode(), Qt::ElideNone);
        const QAbstractItemModel* rows = offers->model();
        for (int row = 0; row + 1 < rows->rowCount(); ++row)
            QVERIFY(offers->visualRect(rows->index(row, 0)).bottom() <
                    offers->visualRect(rows->index(row + 1, 0)).top());

        QTest::keyClicks(path, "B.DWI");
        QVERIFY(!completer->popup()->isVisible());
        ClickConvert();
        QVERIFY(QFile::exists(dir_.filePath("B.kvt")));
    }

    // Titles in their own script, decided once per chart as the converter
    // decides them.
    void chartTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("chart");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("difficulties");
        const QStringList basic{"BASIC(3)"};
        QTest::newRow("UTF-8") << "chart.dwi" << DwiChart("Caf\xC3\xA9 \xE2\x98\x86", "A")
                               << QStringLiteral("Caf\u00E9 \u2606\nby A") << basic;
        QTest::newRow("Windows-1252") << "chart.dwi" << DwiChart("\x93Hi\x94 \x80\x85", "Caf\xE9")
                                      << QStringLiteral("\u201CHi\u201D \u20AC\u2026\nby Caf\u00E9") << basic;
        QTest::newRow("Windows-1252 at the end") << "chart.dwi" << DwiChart("Beyonc\xE9", "A")
                                                 << QStringLiteral("Beyonc\u00E9\nby A") << basic;
        QTest::newRow("Shift-JIS") << "chart.dwi" << DwiChart("\x8D\xF7\x82\xCC\x89\xCC", "A")
                                   << QStringLiteral("\u685C\u306E\u6B4C\nby A") << basic;
        QTest::newRow("once per chart") << "chart.dwi" << DwiChart("\x82\xCC\x89\xCC", "Beyonc\xE9")
                                        << QStringLiteral("\u201A\u00CC\u2030\u00CC\nby Beyonc\u00E9") << basic;
        QTest::newRow(".sm, Windows-1252")
            << "chart.sm" << QByteArray("#TITLE:\x93Hi\x94;#ARTIST:Caf\xE9;#BPMS:0=120;#NOTES:dance-single::Easy:3::1;")
            << QStringLiteral("\u201CHi\u201D\nby Caf\u00E9") << QStringList{"Easy(3)"};
        QTest::newRow("real .sm, UTF-8 with a byte order mark")
            << "chart.sm" << SharedChart("garcia-simfile__nekonabe.sm")
            << QStringLiteral("\u732B\u934B\nby \u518D\u751F\u30CF\u30A4\u30D1\u30FC\u3079\u308B\u30FC\u30F4")
            << QStringList{"Hard(9)", "Medium(6)", "Easy(2)", "Beginner(1)"};
        QTest::newRow("real .ssc, UTF-8")
            << "chart.ssc" << SharedChart("noahm-simfileparser__Ahoy.ssc")
            << QStringLiteral("[11] Ahoy!! \u6211\u3089\u5B9D\u9418\u6D77\u8CCA\u56E3\u2606\n"
                              "by IOSYS feat. Houshou Marine")
            << QStringList{"Challenge(11)"};
    }
    void chartTexts() {
        QFETCH(QString, name);
        QFETCH(QByteArray, chart);
        QFETCH(QString, shown);
        QFETCH(QStringList, difficulties);
        SetPath(Write(dir_, name, chart));
        QCOMPARE(Get<QLabel>("Label5")->text(), shown);
        QCOMPARE(Items("Combo1"), difficulties);
    }

    void geometry_data() {
        QTest::addColumn<QRect>("rect");
        QTest::newRow("Label2") << QRect(6, 0, 157, 13);
        QTest::newRow("Text2") << QRect(6, 13, 265, 19);
        QTest::newRow("Label5") << QRect(6, 30, 265, 31);
        QTest::newRow("Label3") << QRect(6, 60, 97, 13);
        QTest::newRow("Combo1") << QRect(162, 63, 109, 21);
        QTest::newRow("Label6") << QRect(114, 66, 49, 13);
        QTest::newRow("Label4") << QRect(6, 72, 97, 13);
        QTest::newRow("Line1") << QRect(0, 87, 276, 1);
        QTest::newRow("Combo2") << QRect(162, 92, 109, 21);
        QTest::newRow("Label8") << QRect(6, 98, 115, 13);
        QTest::newRow("Combo3") << QRect(162, 114, 109, 21);
        QTest::newRow("Label9") << QRect(6, 120, 115, 13);
        QTest::newRow("Combo4") << QRect(162, 135, 109, 21);
        QTest::newRow("Label10") << QRect(6, 141, 115, 13);
        QTest::newRow("Combo5") << QRect(162, 156, 109, 21);
        QTest::newRow("Label11") << QRect(6, 162, 115, 13);
        QTest::newRow("Combo6") << QRect(162, 177, 109, 21);
        QTest::newRow("Label12") << QRect(6, 183, 115, 13);
        QTest::newRow("Combo7") << QRect(162, 198, 109, 21);
        QTest::newRow("Label13") << QRect(6, 204, 115, 13);
        QTest::newRow("Command1") << QRect(6, 222, 265, 37);
        QTest::newRow("Label1") << QRect(6, 264, 49, 13);
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
        SetPath(chart);
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Song\nby Band"));
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:0ms"));
        QCOMPARE(Items("Combo1"), (QStringList{"BASIC(5)", "MANIAC(10)"}));
        QCOMPARE(Get<QComboBox>("Combo1")->currentText(), QStringLiteral("BASIC(5)"));

        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("song.kvt")),
                 QByteArray("X 0\nY 500\nX 1300\nA 1425\nB 1550\nY 1675\n"));
        QCOMPARE(LogLines(),
                 (QStringList{"Cleared file buffer", "Searching BASIC part.", "Freeze listing...",
                              "4.000=300.000;", "BASIC part found.", "X@0 beat=0 bpmc=0",
                              "Y@500 beat=1 bpmc=4", "Freeze 300.000;", "X@1300 beat=2 bpmc=8",
                              "A@1425 beat=2.25 bpmc=9", "B@1550 beat=2.5 bpmc=10",
                              "Y@1675 beat=2.75 bpmc=11", "Wrote 6 records to " + dir_.filePath("song.kvt")}));
        QCOMPARE(ReadBytes(chart), QByteArray(kChart));

        // A changed chooser and difficulty take effect at the next click.
        Get<QComboBox>("Combo1")->setCurrentIndex(1);
        Get<QComboBox>("Combo2")->setCurrentIndex(4);
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("song.kvt")), QByteArray("Y 0\nY 250\nY 500\nY 1050\n"));
        QCOMPARE(LogLines().value(1), QStringLiteral("Searching MANIAC part."));

        // Emptying the path fails at the opening: chooser and log empty, labels kept.
        Get<QLineEdit>("Text2")->clear();
        Settle();
        QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
        QVERIFY(LogLines().isEmpty());
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));
    }

    void aStepManiaChartReadsAndConverts() {
        // Typed like any chart: its charts are listed as difficulty and
        // meter, its subtitle follows the title, and "Convert" converts the
        // chosen one beside it, the jump taking the up-down chooser's token.
        const QString chart = Write(dir_, "song.ssc",
                                    "#TITLE:Song;#SUBTITLE:(Mix);#ARTIST:Band;#OFFSET:-0.5;#BPMS:0=120;\n"
                                    "#NOTEDATA:;#STEPSTYPE:dance-single;#DIFFICULTY:Hard;#METER:9;#NOTES:\n"
                                    "1000\n0110\n0000\n0000\n;\n"
                                    "#NOTEDATA:;#STEPSTYPE:dance-single;#DIFFICULTY:Hard;#METER:9;#NOTES:\n"
                                    "0001\n;\n");
        SetPath(chart);
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Song (Mix)\nby Band"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:500ms"));
        QCOMPARE(Items("Combo1"), (QStringList{"Hard(9)", "Hard(9)#2"}));
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("song.kvt")), QByteArray("A 500\nY 1000\n"));
        Get<QComboBox>("Combo1")->setCurrentIndex(1);
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("song.kvt")), QByteArray("B 500\n"));
    }

    // Each chooser gives its token to its own arrow.
    void choosersTokenTheirArrows() {
        const char* choosers[] = {"Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo7"};
        for (int i = 0; i < 6; ++i) Get<QComboBox>(choosers[i])->setCurrentIndex(i);
        // Up-left, up-right, down-left, down-right, up-down and left-right.
        SetPath(Write(dir_, "arrows.dwi", DwiChart("T", "A", "7913AB")));
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("arrows.kvt")),
                 QByteArray("A 0\nB 250\nX 500\nY 750\nL 1000\nR 1250\n"));
    }

    void emptyPathClickDoesNothing() {
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        ClickConvert();
        QDir::setCurrent(before);
        QVERIFY(LogLines().isEmpty());
        QVERIFY(QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void oneReadingPerChange() {
        const QString chart = Write(dir_, "song.dwi", kChart);
        auto readings = CountReadings();
        auto* text2 = Get<QLineEdit>("Text2");
        text2->setFocus();
        QTest::keyClicks(text2, chart);
        Settle();
        QTRY_COMPARE(readings->load(), chart.size());
        QCOMPARE(Items("Combo1"), (QStringList{"BASIC(5)", "MANIAC(10)"}));

        // Deleting one character reads the shortened path, which names nothing.
        QTest::keyClick(text2, Qt::Key_Backspace);
        Settle();
        QTRY_COMPARE(readings->load(), chart.size() + 1);
        QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Song\nby Band"));

        // Picking a chooser's item reads nothing.
        Get<QComboBox>("Combo3")->setCurrentIndex(5);
        QTRY_COMPARE(readings->load(), chart.size() + 1);
    }

    void drops() {
        const QString first = Write(dir_, "song.dwi", kChart);
        const QString second = Write(dir_, "other.dwi", "#TITLE:Other;\n");
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second),
                       QUrl::fromLocalFile(dir_.path())});
        auto readings = CountReadings();
        QVERIFY(Drop(files));
        Settle();
        QCOMPARE(Get<QLineEdit>("Text2")->text(), first);
        QCOMPARE(Items("Combo1"), (QStringList{"BASIC(5)", "MANIAC(10)"}));
        QCOMPARE(Get<QComboBox>("Combo1")->currentText(), QStringLiteral("BASIC(5)"));
        QTRY_COMPARE(readings->load(), 2);  // once through the change, once more

        // The same file again: the text does not change, the chart is still read.
        QVERIFY(Drop(files));
        Settle();
        QTRY_COMPARE(readings->load(), 3);
        QCOMPARE(Items("Combo1"), (QStringList{"BASIC(5)", "MANIAC(10)"}));
        QCOMPARE(ReadBytes(first), QByteArray(kChart));

        // Text and web links are neither inserted nor read.
        QMimeData text;
        text.setText(QStringLiteral("dragged words"));
        QVERIFY(!Drop(text));
        QMimeData link;
        link.setUrls({QUrl(QStringLiteral("https://example.org/song.dwi"))});
        QVERIFY(!Drop(link));
        QCOMPARE(Get<QLineEdit>("Text2")->text(), first);
        QTRY_COMPARE(readings->load(), 3);

        // A file that is no chart: the reading fails somewhere, the window goes on.
        QByteArray binary("\x89PNG\r\n\x1a\n", 8);
        for (int i = 0; i < 4096; ++i) binary.append(char(i * 37));
        const QString picture = Write(dir_, "cover.png", binary);
        QMimeData notChart;
        notChart.setUrls({QUrl::fromLocalFile(picture)});
        QVERIFY(Drop(notChart));
        Settle();
        QCOMPARE(Get<QLineEdit>("Text2")->text(), picture);
        QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
        QCOMPARE(ReadBytes(picture), binary);
        ClickConvert();
        QVERIFY(!QFile::exists(dir_.filePath("cover.kvt")));
        QVERIFY(form_->isVisible());
    }

    // How a library reaches the window, what the window is to answer, and
    // what becomes of it.
    void library_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("library");  // in the temporary folder
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("output");  // where the files go; empty: beside the charts
        QTest::newRow("folder dropped, declined") << "drop" << "Pack" << false << "declined" << "";
        QTest::newRow("folder dropped, converted") << "drop" << "Pack" << true << "converted" << "";
        QTest::newRow("folder opened, window closed while it runs")
            << "open folder" << "Pack" << true << "closed" << "";
        QTest::newRow("archive opened, converted into a folder of its name")
            << "open archive" << "Songs.tar" << true << "converted" << "Songs";
        QTest::newRow("archive opened that is no archive")
            << "open archive" << "broken.zip" << true << "unreadable" << "";
    }
    void library() {
        QFETCH(QString, how);
        QFETCH(QString, library);
        QFETCH(bool, confirm);
        QFETCH(QString, ending);
        QFETCH(QString, output);
        const QString pack = WriteLibrary(dir_);
        QVERIFY(!pack.isEmpty());
        QVERIFY(!Write(dir_, "broken.zip", "not an archive").isEmpty());
        QCOMPARE(QProcess::execute("tar", {"-cf", dir_.filePath("Songs.tar"), "-C", dir_.path(), "Pack"}), 0);
        library = dir_.filePath(library);
        output = output.isEmpty() ? pack : dir_.filePath(output);
        auto readings = std::make_shared<std::atomic<int>>(0);
        QStringList questions;
        const auto answer = [&](QWidget*, const QString& question) {
            questions << question;
            // Once the run has started: closing then waits for it to stop.
            if (ending == "closed") QTimer::singleShot(0, form_.get(), &QWidget::close);
            return confirm;
        };
        const auto choose = [&](QWidget*, const QString&) { return library; };
        form_ = std::make_unique<Form1>(
            choose,
            [readings](const std::string& path, const stepquill::ChartInfo& before,
                       const std::atomic<bool>& abandoned) {
                ++*readings;
                return Form1::ReadChartFile(path, before, abandoned);
            },
            AskConvertToInDialog, answer, choose);
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));

        if (how == "drop") {
            QMimeData folder;
            folder.setUrls({QUrl::fromLocalFile(library)});
            QVERIFY(Drop(folder));
        } else if (how == "open folder") {
            QTest::keyClick(form_.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        } else {
            QTest::keyClick(form_.get(), Qt::Key_O, Qt::ControlModifier);
        }
        if (ending == "closed") {
            QTRY_VERIFY(!questions.isEmpty());
            // Closed, the window has waited for the run: nothing is left running.
            QTRY_VERIFY(!form_->isVisible());
            QVERIFY(!form_->IsBusy());
            QVERIFY(form_->findChild<QProgressDialog*>() == nullptr);
        }
        Settle();

        // Offered as a library, never read as a chart.
        QCOMPARE(readings->load(), 0);
        QCOMPARE(Get<QLineEdit>("Text2")->text(), QString());
        QVERIFY(Get<QPushButton>("Command1")->isEnabled());
        if (ending == "unreadable") {
            QVERIFY(questions.isEmpty());
            QCOMPARE(LogLines().size(), 1);
            QVERIFY2(LogLines().constFirst().startsWith("Library not converted: " + library + ": "),
                     qPrintable(LogLines().constFirst()));
            return;
        }
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions.constFirst().startsWith(library + " holds 2 songs (2 charts)."),
                 qPrintable(questions.constFirst()));
        QVERIFY(questions.constFirst().endsWith(output == pack ? QStringLiteral("go beside each chart.")
                                                               : "go into the folder " + output + "."));
        for (const char* song : kLibrarySongs) {
            const QString copy = pack + "/" + QString::fromLatin1(song).section('.', 0, 0) + "/" + song;
            QCOMPARE(ReadBytes(copy), SharedChart("real", song));
        }
        if (ending == "declined") {
            QVERIFY(TimingFilesUnder(pack).isEmpty());
            QVERIFY(LogLines().isEmpty());
        } else if (ending == "converted") {
            QVERIFY(TimingFilesUnder(output).size() >= 2);
            // An archive's files go only into its folder.
            QCOMPARE(TimingFilesUnder(pack).isEmpty(), output != pack);
            const QRegularExpression summary("^2 songs, [1-9][0-9]* parts written, 0 stopped");
            QVERIFY2(summary.match(LogLines().constLast()).hasMatch(), qPrintable(LogLines().join('\n')));
        }
    }

    void specialFilesFailAtTheOpening() {
        // None of these may block the window: a FIFO without a writer, an
        // endless device, a folder.
        const QByteArray fifo = QFile::encodeName(dir_.filePath("pipe.dwi"));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        const std::pair<QString, QString> rows[] = {
            {QFile::decodeName(fifo), QStringLiteral("not a regular file")},
            {QStringLiteral("/dev/zero"), QStringLiteral("not a regular file")},
            {dir_.path(), QStringLiteral("Is a directory")},
        };
        for (const auto& [path, why] : rows) {
            SetPath(path);
            QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
            ClickConvert();
            QCOMPARE(LogLines(),
                     (QStringList{"Cleared file buffer", "Conversion stopped: cannot open " + path + ": " + why}));
        }
        QVERIFY(!QFile::exists(dir_.filePath("pipe.kvt")));
    }

    void unreadableChartIsIgnored() {
        // A file that is no chart, a README named .sm or an empty .ssc, fails
        // like a chart whose every read fails (EIO, /proc/self/mem): the
        // reading stops before its first caption.
        const QString readme = Write(dir_, "readme.sm", "# Songs\n\nPut your charts here.\n");
        const QString empty = Write(dir_, "empty.ssc", "");
        for (const QString& path : {QStringLiteral("/proc/self/mem"), readme, empty}) {
            // A good chart first, converted, so that the failing one has a
            // chooser, a log and captions to clear or keep.
            SetPath(Write(dir_, "song.dwi", kChart));
            ClickConvert();
            QVERIFY(!LogLines().isEmpty());
            SetPath(path);
            QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
            QVERIFY(LogLines().isEmpty());
            QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Song\nby Band"));
            QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));
            QVERIFY(form_->isVisible());
        }
    }

    void secondConversionStartsFromChartTempo() {
        const QString chart =
            Write(dir_, "tempo.dwi",
                  "#TITLE:Song;\r\n#ARTIST:Band;\r\n#BPM:120.000;\r\n#GAP:0;\r\n"
                  "#CHANGEBPM:4.000=240.000;\r\n#SINGLE:BASIC:5:\r\n88888888\r\n;\r\n"
                  "#SINGLE:MANIAC:10:\r\n2222\r\n;\r\n");
        SetPath(chart);
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("tempo.kvt")),
                 QByteArray("Y 0\nY 250\nY 500\nY 625\nY 750\nY 875\nY 1000\nY 1125\n"));
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));

        // The first run ended at 240 BPM; the second starts again from 120.
        Get<QComboBox>("Combo1")->setCurrentIndex(1);
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("tempo.kvt")), QByteArray("X 0\nX 250\nX 500\nX 625\n"));
    }

    void longLogShowsEveryLineWithoutScrolling() {
        // More lines than one batch of the log, so batches join in order.
        const int arrows = 20000;
        QByteArray chart("#TITLE:Long;\n#ARTIST:Band;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:5:\n");
        for (int i = 0; i < arrows / 50; ++i) chart += QByteArray(50, '8') + "\n";
        chart += ";\n";
        SetPath(Write(dir_, "long.dwi", chart));
        ClickConvert();
        const QStringList lines = LogLines();
        QCOMPARE(lines.size(), 3 + arrows + 1);
        QCOMPARE(lines.value(3), QStringLiteral("Y@0 beat=0 bpmc=0"));
        QCOMPARE(lines.value(3 + 8192), QStringLiteral("Y@2048000 beat=4096 bpmc=16384"));
        QCOMPARE(lines.value(3 + arrows - 1), QStringLiteral("Y@4999750 beat=9999.5 bpmc=39998"));
        auto* list = Get<QListView>("List1");
        QTRY_VERIFY(list->verticalScrollBar()->isVisible());
        QCOMPARE(list->verticalScrollBar()->value(), 0);
        QCOMPARE(list->indexAt(QPoint(2, 2)).row(), 0);
    }

    // Hostile texts and files: each case must leave the window answering.
    // Title and artist take a line each, cut with "…" where they are wider
    // than the label, and are whole in the tooltip; a title of 4 MiB keeps
    // only its first thousand characters even there.
    void longTextsAreShortenedInTheLabels_data() {
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QByteArray>("artist");
        QTest::addColumn<QString>("tip");
        QTest::newRow("a title two lines wide")
            << QByteArray("Theme from the Long Night of the Endless Dance Floor") << QByteArray("Band")
            << "Theme from the Long Night of the Endless Dance Floor\nby Band";
        QTest::newRow("an artist two lines wide, markup in the title")
            << QByteArray("<b>Song</b>") << QByteArray("The Orchestra and Choir of the Northern Dance Halls")
            << "<b>Song</b>\nby The Orchestra and Choir of the Northern Dance Halls";
        QTest::newRow("a title of 4 MiB") << QByteArray(4 << 20, 'T') << QByteArray("Band")
                                          << QString(1000, 'T') + QChar(0x2026) + "\nby Band";
    }
    void longTextsAreShortenedInTheLabels() {
        QFETCH(QByteArray, title);
        QFETCH(QByteArray, artist);
        QFETCH(QString, tip);
        QElapsedTimer timer;
        timer.start();
        SetPath(Write(dir_, "long.dwi", DwiChart(title, artist)));
        auto* label = Get<QLabel>("Label5");
        QTextDocument whole;
        whole.setHtml(label->toolTip());
        QCOMPARE(whole.toPlainText(), tip);
        // One line each, cut to fit; the tooltip's lines are wider.
        const QStringList lines = label->text().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].startsWith("by "));
        for (const QString& line : lines)
            QVERIFY(label->fontMetrics().horizontalAdvance(line) <= label->width());
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("long.kvt")), QByteArray("Y 0\n"));
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QVERIFY2(timer.elapsed() < 10000, "the window took seconds over a long title");
    }

    void theLogIsCutAfterAMillionLines() {
        // A million and some arrows: every record is in the timing file, the
        // log keeps the first million lines and says where it was cut.
        const int arrows = 1000100;
        QByteArray chart("#TITLE:Long;\n#ARTIST:Band;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:5:\n");
        for (int i = 0; i < arrows / 100; ++i) chart += QByteArray(100, '8') + "\n";
        chart += ";\n";
        SetPath(Write(dir_, "long.dwi", chart));
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("long.kvt")).count('\n'), arrows);
        const QAbstractItemModel* model = Get<QListView>("List1")->model();
        QCOMPARE(model->rowCount(), 1000002);
        QCOMPARE(model->index(999999, 0).data().toString(), QStringLiteral("Y@249999000 beat=499998 bpmc=1999992"));
        QCOMPARE(model->index(1000000, 0).data().toString(),
                 QStringLiteral("Log cut after 1000000 lines; the timing file holds every record."));
        // The last line still says where the records went.
        QCOMPARE(model->index(1000001, 0).data().toString(),
                 QStringLiteral("Wrote 1000100 records to ") + dir_.filePath("long.kvt"));
    }

    void pathCompletionListsNamesOnly_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("a folder with a FIFO and a file told only by its contents") << QString() << "pdf";
        QTest::newRow("/proc/, whose kmsg blocks a reader") << "/proc" << "kmsg";
    }
    void pathCompletionListsNamesOnly() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        if (folder.isEmpty()) {
            folder = dir_.path();
            QVERIFY(::mkfifo(QFile::encodeName(dir_.filePath("fifo")).constData(), 0644) == 0);
            Write(dir_, "pdf", "%PDF-1.4\n");
        }
        auto* field = Get<QLineEdit>("Text2");
        field->setFocus();
        QTest::keyClicks(field, folder + "/");
        auto* model = qobject_cast<QFileSystemModel*>(field->completer()->model());
        QVERIFY(model != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(model->index(folder + "/" + name).isValid(), 5000);
        const QModelIndex offer = model->index(folder + "/" + name);
        QVERIFY(model->fileIcon(offer).isNull());
        QCOMPARE(model->type(offer), QStringLiteral("File"));
        // The window still answers: a typed path converts.
        const QString chart = Write(dir_, "song.dwi", kChart);
        field->setText(chart);
        Settle();
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("song.kvt")).left(4), QByteArray("X 0\n"));
    }

    // Readings run off the window's thread: a slow one leaves the window
    // answering keys, a newer path abandons it, and a conversion asked
    // meanwhile converts the chart the field names once that is shown.
    void aSlowReadingKeepsTheWindowAnswering() {
        const QString slow = Write(dir_, "slow.dwi", DwiChart("Slow", "A"));
        const QString song = Write(dir_, "song.dwi", kChart);
        auto slowEnded = std::make_shared<std::atomic<bool>>(false);
        form_ = std::make_unique<Form1>(ChooseChartInDialog, [slowEnded](const std::string& path,
                                                                          const stepquill::ChartInfo& before,
                                                                          const std::atomic<bool>& abandoned) {
            const bool isSlow = path.ends_with("slow.dwi");
            // Slow until abandoned, as a huge chart would be.
            for (int waited = 0; isSlow && !abandoned && waited < 20000; ++waited) QThread::msleep(1);
            stepquill::ChartReading reading = Form1::ReadChartFile(path, before, abandoned);
            if (isSlow) *slowEnded = true;
            return reading;
        });
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));

        Get<QLineEdit>("Text2")->setText(slow);
        auto* chooser = Get<QComboBox>("Combo2");
        chooser->setFocus();
        QTest::keyClick(chooser, Qt::Key_Down);
        QCOMPARE(chooser->currentText(), QStringLiteral("B"));
        QTest::mouseClick(Get<QPushButton>("Command1"), Qt::LeftButton);
        QVERIFY(form_->IsBusy());
        QVERIFY(LogLines().isEmpty());

        Get<QLineEdit>("Text2")->setText(song);
        QTRY_VERIFY_WITH_TIMEOUT(*slowEnded, 5000);
        Settle();
        QCOMPARE(Items("Combo1"), (QStringList{"BASIC(5)", "MANIAC(10)"}));
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Song\nby Band"));
        QVERIFY(QFile::exists(dir_.filePath("song.kvt")));
    }

    // A file larger than any chart (here 2 GB of nothing) is refused before
    // a byte of it is read, and the log says why.
    void aChartLargerThanAnyChartIsRefused() {
        const QString huge = dir_.filePath("huge.sm");
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(2) << 30));
        file.close();
        QElapsedTimer timer;
        timer.start();
        SetPath(huge);
        QVERIFY2(timer.elapsed() < 5000, "the huge chart was read");
        QCOMPARE(LogLines(), QStringList{"the chart is larger than 1 GiB"});
        QCOMPARE(Get<QComboBox>("Combo1")->count(), 0);
        ClickConvert();
        QCOMPARE(LogLines().last(), QStringLiteral("Conversion stopped: the chart is larger than 1 GiB"));
        QVERIFY(!QFile::exists(dir_.filePath("huge.kvt")));
    }

    // A .ssc part with timing of its own is converted on it, and the labels
    // show it while that part is chosen.
    void aPartsOwnTimingIsShownWhenChosen() {
        SetPath(Write(dir_, "song.ssc",
                      "#VERSION:0.83;#TITLE:T;#OFFSET:0;#BPMS:0=120;\n"
                      "#NOTEDATA:;#STEPSTYPE:dance-single;#DIFFICULTY:Hard;#METER:9;#NOTES:\n1000\n;\n"
                      "#NOTEDATA:;#STEPSTYPE:dance-single;#DIFFICULTY:Easy;#METER:2;#OFFSET:-0.25;#BPMS:0=150;"
                      "#NOTES:\n0000\n1000\n0000\n0000\n;\n"));
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:0ms"));
        Get<QComboBox>("Combo1")->setCurrentIndex(1);
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:150"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:250ms"));
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("song.kvt")), QByteArray("A 650\n"));
        Get<QComboBox>("Combo1")->setCurrentIndex(0);
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:0ms"));
    }

    // "Convert to…" from the shortcut or the button's context menu: the
    // chosen format and file, the chart's texts in UTF-8, nothing when the
    // question is cancelled.
    void convertTo_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("chart");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QByteArray>("firstLines");
        QTest::newRow("real DWI, CSV, shortcut")
            << "afronova.dwi" << SharedChart("real", "noahm-simfileparser__AFRONOVA.dwi") << "shortcut"
            << int(stepquill::OutputFormat::Csv) << "afronova.csv"
            << QByteArray("time_ms,panel,button,action\n0,left,A,press\n25,left,A,release\n");
        QTest::newRow("real .sm, C header in ms from the first press, menu")
            << "neko nabe.sm" << SharedChart("garcia-simfile__nekonabe.sm") << "menu"
            << int(stepquill::OutputFormat::CHeader) << "player/pad.h"
            << QByteArray("/* \xE7\x8C\xAB\xE9\x8D\x8B by \xE5\x86\x8D\xE7\x94\x9F\xE3\x83\x8F\xE3\x82\xA4"
                          "\xE3\x83\x91\xE3\x83\xBC\xE3\x81\xB9\xE3\x82\x8B\xE3\x83\xBC\xE3\x83\xB4, part Hard(9).\n"
                          "   Written by stepquill-convert. Times in milliseconds from the part's first press, shift 0 ms; "
                          "taps held 25 ms, rolls tapped every 60 ms.\n"
                          "   Entry i: from neko_nabe_hard_times[i] on");
        QTest::newRow("cancelled") << "afronova.dwi" << SharedChart("real", "noahm-simfileparser__AFRONOVA.dwi")
                                   << "shortcut" << -1 << "afronova.csv" << QByteArray("<missing>");
    }
    void convertTo() {
        QFETCH(QString, name);
        QFETCH(QByteArray, chart);
        QFETCH(QString, trigger);
        QFETCH(int, format);
        QFETCH(QString, output);
        QFETCH(QByteArray, firstLines);
        QStringList offered;
        auto answer = [&](QWidget*, const QString& timingFile,
                          const stepquill::DeviceSettings&) -> std::optional<ConvertToChoice> {
            offered << timingFile;
            if (format < 0) return std::nullopt;
            ConvertToChoice choice;
            choice.Device.Format = stepquill::OutputFormat(format);
            choice.Device.Zero = stepquill::TimeZero::FirstPress;
            choice.Device.Unit = stepquill::TimeUnit::Milliseconds;
            choice.Device.Lengths = {25, 60};
            choice.OutputPath = dir_.filePath(output);
            return choice;
        };
        form_ = std::make_unique<Form1>(ChooseChartInDialog, Form1::ReadChartFile, answer);
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QVERIFY(QDir(dir_.path()).mkdir("player"));
        SetPath(Write(dir_, name, chart));

        QStringList menu;
        if (trigger == "menu") {
            // The menu runs a loop of its own: picked from the keyboard once it is up.
            QTimer::singleShot(0, [&] {
                auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (popup == nullptr) return;
                for (const QAction* action : popup->actions()) menu << action->text();
                QTest::keyClick(popup, Qt::Key_Down);
                QTest::keyClick(popup, Qt::Key_Down);
                QTest::keyClick(popup, Qt::Key_Return);
            });
            Get<QPushButton>("Command1")->setFocus();
            QTest::keyClick(Get<QPushButton>("Command1"), Qt::Key_F10, Qt::ShiftModifier);
            QCOMPARE(menu, (QStringList{"Convert", QStringLiteral("Convert to\u2026")}));
        } else {
            Get<QComboBox>("Combo3")->setFocus();
            QTest::keyClick(Get<QComboBox>("Combo3"), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        }
        Settle();
        QCOMPARE(offered, QStringList{dir_.filePath(QFileInfo(name).completeBaseName() + ".kvt")});
        QVERIFY(ReadBytes(dir_.filePath(output)).startsWith(firstLines));
        QVERIFY(!QFile::exists(dir_.filePath(QFileInfo(name).completeBaseName() + ".kvt")));
    }

    // Every control is named for a screen reader and reached by its label;
    // a kvt file takes none of a device's settings.
    void convertToDialog() {
        ConvertToDialog dialog(dir_.filePath("song.kvt"), stepquill::DeviceSettings{});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const auto controls = dialog.findChildren<QWidget*>();
        for (QWidget* control : controls) {
            // A spin box's field is reached and named through the box.
            const bool field = qobject_cast<QAbstractSpinBox*>(control->parentWidget()) != nullptr;
            if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisible() || field) continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
        }
        for (QLabel* label : dialog.findChildren<QLabel*>()) QVERIFY(label->buddy() != nullptr);
        auto* file = FindControl<QLineEdit>(dialog, "File");
        auto* format = FindControl<QComboBox>(dialog, "Format");
        const char* deviceOnly[] = {"TapLength", "RollInterval", "Zero", "TimeUnit"};
        QCOMPARE(file->text(), dir_.filePath("song.kvt"));
        for (const char* name : deviceOnly) QVERIFY(!FindControl<QWidget>(dialog, name)->isEnabled());

        // The offered name follows the format until one is typed.
        format->setCurrentIndex(format->findText("C header"));
        QCOMPARE(file->text(), dir_.filePath("song.h"));
        for (const char* name : deviceOnly) QVERIFY(FindControl<QWidget>(dialog, name)->isEnabled());
        file->setFocus();
        file->selectAll();
        QTest::keyClicks(file, "out.json");
        format->setCurrentIndex(format->findText("JSON"));
        QCOMPARE(file->text(), QStringLiteral("out.json"));

        // The real question, answered from the keyboard.
        QTimer::singleShot(0, [] {
            QWidget* asking = QApplication::activeModalWidget();
            if (asking == nullptr) return;
            FindControl<QComboBox>(*asking, "Format")->setCurrentIndex(1);
            FindControl<QDoubleSpinBox>(*asking, "TapLength")->setValue(30);
            QTest::keyClick(asking, Qt::Key_Return);
        });
        const std::optional<ConvertToChoice> choice =
            AskConvertToInDialog(nullptr, dir_.filePath("song.kvt"), stepquill::DeviceSettings{});
        QVERIFY(choice.has_value());
        QCOMPARE(choice->OutputPath, dir_.filePath("song.csv"));
        QCOMPARE(choice->Device.Format, stepquill::OutputFormat::Csv);
        QCOMPARE(choice->Device.Lengths.TapMs, 30.0);
        QCOMPARE(choice->Device.Lengths.RollMs, 100.0);
    }

    void regionalSeparatorAndLatin1Title() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString chart = Write(dir_, "cafe.dwi",
                                    "#TITLE:Caf\xE9;\n#ARTIST:Band;\n#BPM:145.5;\n#GAP:-12.25;\n"
                                    "#SINGLE:BASIC:3:\n8;\n");
        SetPath(chart);
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Caf\u00E9\nby Band"));
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:145,5"));
        QCOMPARE(Get<QLabel>("Label4")->text(), QStringLiteral("Offset:-12,25ms"));
        ClickConvert();
        const QByteArray german = ReadBytes(dir_.filePath("cafe.kvt"));
        QVERIFY(german.startsWith("Y -1"));

        // The timing file does not depend on the regional settings.
        QLocale::setDefault(QLocale::c());
        SetPath(QString());
        SetPath(chart);
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:145.5"));
        ClickConvert();
        QCOMPARE(ReadBytes(dir_.filePath("cafe.kvt")), german);
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
