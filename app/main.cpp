#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "command_line.h"
#include "display_check.h"
#include "form1.h"
#include "process_start.h"

namespace {

// Answers --help, --help-all and --version on the terminal, which ends the
// program. Qt's "minimal" window system needs no display, yet Qt still takes
// its own options, such as -style, off the command line before the answer and
// lists them under --help-all. A -platform named later on the line wins.
void AnswerInText(int argc, char* argv[]) {
    char platform[] = "-platform";
    char minimal[] = "minimal";
    std::vector<char*> arguments{argv[0], platform, minimal};
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(count, arguments.data());
    ChartFromCommandLine(QCoreApplication::arguments());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!stepquill::PrepareProcess()) return EXIT_FAILURE;
    // Returns only when Qt took the option for one of its own, as in
    // "-style --help"; the window then starts as usual.
    if (AsksOnlyForText(argc, argv)) AnswerInText(argc, argv);
    if (!CanOpenDisplay(argc, argv)) {
        std::fputs("stepquill: cannot open a display (set DISPLAY, or use stepquill-convert)\n", stderr);
        return 1;
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
