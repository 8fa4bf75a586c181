// Shows the window with a chart read and one difficulty converted, as a user
// would see it, and saves a picture of it. Used by scripts/screenshot.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: form1_screenshot CHART OUT.png\n");
        return 2;
    }
    // The conversion writes its timing file beside the chart; a copy keeps
    // the source tree clean.
    QTemporaryDir dir;
    const QString chart = dir.filePath(QFileInfo(QString::fromLocal8Bit(argv[1])).fileName());
    if (!dir.isValid() || !QFile::copy(QString::fromLocal8Bit(argv[1]), chart)) {
        std::fprintf(stderr, "form1_screenshot: cannot copy %s\n", argv[1]);
        return 1;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);

    Form1 form;
    form.move(40, 40);
    form.show();
    form.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(chart);
    auto* difficulty = form.findChild<QComboBox*>(QStringLiteral("Combo1"));
    difficulty->setCurrentIndex(difficulty->count() - 1);
    form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();

    int status = 1;
    // Give the window system time to map and paint the window first.
    QTimer::singleShot(1000, &app, [&] {
        const QPixmap picture = form.screen()->grabWindow(form.winId());
        status = picture.save(out, "PNG") ? 0 : 1;
        if (status != 0) std::fprintf(stderr, "form1_screenshot: cannot write %s\n", argv[2]);
        app.quit();
    });
    app.exec();
    return status;
}
