// The window's desktop side, headless: the names a screen reader announces.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QtTest>

#include <memory>

#include "form1.h"

class DesktopTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form_;

    template <typename T>
    T* Get(const char* name) {
        T* widget = form_->findChild<T*>(QLatin1String(name));
        if (widget == nullptr) qFatal("no control %s", name);
        return widget;
    }

private slots:
    void init() {
        form_ = std::make_unique<Form1>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() { form_.reset(); }

    void accessibleNames_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::newRow("Text2") << "Label2" << "Path to DWI file (drag and drop):";
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
