// Shows the window with a chart read and one difficulty converted, as a user
// would see it, and saves a picture of it. Used by scripts/screenshot.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    const QString source = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString out = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    // The conversion writes its timing file beside the chart, so the chart is
    // copied into a scratch folder. The window is given the chart's path from
    // there, as a player in that folder would type it, so the picture shows
    // charts/example.dwi and not the scratch folder's random name.
    QTemporaryDir dir;
    const QString chart = QStringLiteral("charts/") + QFileInfo(source).fileName();
    if (!dir.isValid() || !QDir::setCurrent(dir.path()) || !QDir().mkdir(QStringLiteral("charts")) ||
        !QFile::copy(source, chart)) {
        std::fprintf(stderr, "form1_screenshot: cannot copy %s\n", argv[1]);
        return 1;
    }

    Form1 form;
    form.move(40, 40);
    form.show();
    form.OpenChart(chart);
    // The chart is read off the window's thread.
    while (form.IsBusy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    auto* difficulty = form.findChild<QComboBox*>(QStringLiteral("Combo1"));
    difficulty->setCurrentIndex(difficulty->count() - 1);
    form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    while (form.IsBusy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

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
