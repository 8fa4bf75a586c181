// The window's desktop side, headless: a chart named on the command line,
// Ctrl+O, path completion and the names a screen reader announces.
#include <QAccessible>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <atomic>
#include <memory>

#include "command_line.h"
#include "find_control.h"
#include "form1.h"

class DesktopTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString chart_;
    std::unique_ptr<Form1> form_;
    // What Ctrl+O's chooser was asked and is to answer.
    QStringList startFolders_;
    QString answer_;

    template <typename T>
    T* Get(const char* name) {
        return FindControl<T>(*form_, name);
    }
    // The readings the window asks for from now on.
    std::shared_ptr<std::atomic<int>> readings_ = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> CountReadings() {
        *readings_ = 0;
        return readings_;
    }
    // Readings run off the window's thread: waits for them.
    void Settle() { QVERIFY(QTest::qWaitFor([this] { return !form_->IsBusy(); }, 30000)); }
    void ExpectChartShown() {
        QCOMPARE(Get<QLineEdit>("Text2")->text(), chart_);
        QCOMPARE(Get<QLabel>("Label5")->text(), QStringLiteral("Song\nby Band"));
        QCOMPARE(Get<QLabel>("Label3")->text(), QStringLiteral("BPM:120"));
        QCOMPARE(Get<QComboBox>("Combo1")->currentText(), QStringLiteral("BASIC(5)"));
    }

private slots:
    void init() {
        chart_ = dir_.filePath(QStringLiteral("song.dwi"));
        QFile file(chart_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#TITLE:Song;\n#ARTIST:Band;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:5:\n8;\n");
        file.close();
        startFolders_.clear();
        form_ = std::make_unique<Form1>(
            [this](QWidget*, const QString& folder) {
                startFolders_ << folder;
                return answer_;
            },
            [readings = readings_](const std::string& path, const stepquill::ChartInfo& before,
                                       const std::atomic<bool>& abandoned) {
                ++*readings;
                return Form1::ReadChartFile(path, before, abandoned);
            });
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }
    void cleanup() { form_.reset(); }

    void chartOnTheCommandLine() {
        QCOMPARE(ChartFromCommandLine({"stepquill"}), QString());
        QCOMPARE(ChartFromCommandLine({"stepquill", "--", "-odd.dwi"}), QStringLiteral("-odd.dwi"));
        const QString chart = ChartFromCommandLine({"stepquill", chart_, "other.dwi"});
        auto readings = CountReadings();
        form_->OpenChart(chart);
        Settle();
        QTRY_COMPARE(readings->load(), 1);
        ExpectChartShown();
        QVERIFY(AsksOnlyForText(2, std::array{"stepquill", "--version"}.data()));
        QVERIFY(!AsksOnlyForText(3, std::array{"stepquill", "--", "--help"}.data()));
    }

    void ctrlOChoosesAChart() {
        auto readings = CountReadings();
        answer_ = chart_;
        QTest::keyClick(form_.get(), Qt::Key_O, Qt::ControlModifier);
        Settle();
        QTRY_COMPARE(readings->load(), 1);
        ExpectChartShown();

        // Cancelled: nothing changes. The dialog starts in the chart's folder.
        answer_.clear();
        QTest::keyClick(Get<QComboBox>("Combo3"), Qt::Key_O, Qt::ControlModifier);
        Settle();
        QTRY_COMPARE(readings->load(), 1);
        ExpectChartShown();

        // The chart already shown is read again, as a dropped one is.
        answer_ = chart_;
        QTest::keyClick(form_.get(), Qt::Key_O, Qt::ControlModifier);
        Settle();
        QTRY_COMPARE(readings->load(), 2);
        QCOMPARE(startFolders_, (QStringList{QString(), dir_.path(), dir_.path()}));
    }

    void completionOffersFoldersAndFiles() {
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("songs")));
        auto* text2 = Get<QLineEdit>("Text2");
        text2->setFocus();
        auto readings = CountReadings();
        const QString typed = dir_.filePath(QStringLiteral("so"));
        // Typed with a pause after each key, as a person types: the folders
        // along the path are read meanwhile.
        QTest::keyClicks(text2, typed, Qt::NoModifier, 20);
        QCompleter* completer = text2->completer();
        QVERIFY(completer != nullptr);
        QTRY_VERIFY(completer->popup()->isVisible());
        QTRY_COMPARE(completer->completionCount(), 2);
        QStringList offered;
        for (int row = 0; row < 2; ++row)
            offered << completer->completionModel()->index(row, 0).data().toString();
        offered.sort();
        QCOMPARE(offered, (QStringList{"song.dwi", "songs"}));
        // Offering changes no text, so the readings are the keystrokes'.
        QCOMPARE(text2->text(), typed);
        QTRY_COMPARE(readings->load(), typed.size());
    }

    void accessibleNames_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::newRow("Text2") << "Label2" << "Path to chart file (drag and drop):";
        QTest::newRow("Combo1") << "Label6" << "Difficulty:";
        QTest::newRow("Combo2") << "Label8" << "Convert Up-Left to:";
        QTest::newRow("Combo3") << "Label9" << "Convert Up-Right to:";
        QTest::newRow("Combo4") << "Label10" << "Convert Down-Left to:";
        QTest::newRow("Combo5") << "Label11" << "Convert Down-Right to:";
        QTest::newRow("Combo6") << "Label12" << "Convert Up-Down to:";
        QTest::newRow("Combo7") << "Label13" << "Convert Left-Right to:";
        QTest::newRow("List1") << "Label1" << "Internals:";
        QTest::newRow("Command1") << QString() << "Convert";
    }
    void accessibleNames() {
        QFETCH(QString, label);
        QFETCH(QString, name);
        QWidget* control = Get<QWidget>(QTest::currentDataTag());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible != nullptr);
        // What a screen reader can announce: the control's own name and the
        // names of the labels it is labelled by. Qt on Linux names a chooser
        // after its current item and leaves the caption to the label.
        QStringList announced{accessible->text(QAccessible::Name)};
        for (const auto& [labelling, relation] : accessible->relations(QAccessible::Label))
            announced << labelling->text(QAccessible::Name);
        QVERIFY2(announced.contains(name), qPrintable(announced.join(QStringLiteral(" | "))));
        if (label.isEmpty()) return;
        QCOMPARE(control->accessibleName(), name);
        QCOMPARE(Get<QLabel>(label.toLatin1().constData())->buddy(), control);
    }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
