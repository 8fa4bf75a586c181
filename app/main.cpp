#include <QApplication>
#include <QScreen>

#include "command_line.h"
#include "form1.h"

int main(int argc, char* argv[]) {
    if (AsksOnlyForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        ChartFromCommandLine(QCoreApplication::arguments());  // prints and ends the program
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("stepquill"));
    const QString chart = ChartFromCommandLine(QCoreApplication::arguments());
    Form1 form;
    if (!chart.isEmpty()) form.OpenChart(chart);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.show();
    return app.exec();
}
