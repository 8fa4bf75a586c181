// window_log_timing [ARROWS]: converts a generated chart of ARROWS arrows
// (100000 unless given) with the real window, offscreen, timing the click on
// "Convert" up to the moment the log is laid out and painted, and the same
// conversion by the converter with its log written to a file. Prints both
// medians of three and their ratio. Run with QT_QPA_PLATFORM=offscreen.
#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "chart_maker.h"
#include "form1.h"

namespace {

constexpr int kRuns = 3;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename T>
T* Control(Form1& form, const char* name) {
    T* control = form.findChild<T*>(QLatin1String(name));
    if (control == nullptr) {
        std::fprintf(stderr, "window_log_timing: the window has no %s\n", name);
        std::exit(1);
    }
    return control;
}

// Lets the window work until its reading or conversion has ended.
void Settle(Form1& form) {
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (form.IsBusy());
}

// Milliseconds from the click to a log that is shown: the conversion runs
// off the window's thread, and the events it leaves (the log's lines, the
// list's layout, the paint) are handled before the clock stops.
double TimeWindowRun(Form1& form) {
    auto* convert = Control<QPushButton>(form, "Command1");
    QElapsedTimer clock;
    clock.start();
    convert->click();
    Settle(form);
    Control<QListView>(form, "List1")->repaint();
    QApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Milliseconds of the converter writing its log to a file.
double TimeConverterRun(const QString& chart, const QString& output, const QString& log) {
    QProcess converter;
    converter.setStandardOutputFile(log);
    QElapsedTimer clock;
    clock.start();
    converter.start(QStringLiteral(STEPQUILL_CONVERTER),
                    {chart, QStringLiteral("MANIAC(9)"), QStringLiteral("-o"), output});
    if (!converter.waitForFinished(-1) || converter.exitCode() != 0) {
        std::fprintf(stderr, "window_log_timing: the converter failed\n");
        std::exit(1);
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::uint64_t arrows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
    QTemporaryDir dir;
    if (!dir.isValid() || arrows == 0) return 1;
    const QString chart = dir.filePath(QStringLiteral("chart.dwi"));
    stepquill::bench::ChartSummary summary;
    {
        std::ofstream out(chart.toStdString(), std::ios::binary);
        summary = stepquill::bench::WriteChart(out, {0, arrows});
    }

    Form1 form;
    form.show();
    Control<QLineEdit>(form, "Text2")->setText(chart);
    Settle(form);
    Control<QComboBox>(form, "Combo1")->setCurrentText(QStringLiteral("MANIAC(9)"));
    QApplication::processEvents();

    std::vector<double> window;
    std::vector<double> converter;
    const QString cliOutput = dir.filePath(QStringLiteral("cli.kvt"));
    const QString cliLog = dir.filePath(QStringLiteral("log.txt"));
    // One run of each first, so that both meet the chart in the page cache.
    TimeWindowRun(form);
    TimeConverterRun(chart, cliOutput, cliLog);
    for (int i = 0; i < kRuns; ++i) {
        window.push_back(TimeWindowRun(form));
        converter.push_back(TimeConverterRun(chart, cliOutput, cliLog));
    }

    // Both must have done the whole conversion for the figures to compare;
    // the window's log ends with a line that names the file written.
    const int logRows = Control<QListView>(form, "List1")->model()->rowCount() - 1;
    const qsizetype logLines = Bytes(cliLog).count('\n');
    const QByteArray windowFile = Bytes(dir.filePath(QStringLiteral("chart.kvt")));
    if (logRows != logLines || windowFile.isEmpty() || windowFile != Bytes(cliOutput) ||
        static_cast<std::uint64_t>(logRows) < summary.Arrows) {
        std::fprintf(stderr, "window_log_timing: the window and the converter disagree (%d rows, %lld lines)\n",
                     logRows, static_cast<long long>(logLines));
        return 1;
    }

    const double windowMs = Median(window);
    const double converterMs = Median(converter);
    const double ratio = windowMs / converterMs;
    std::printf("chart: %llu arrows, %llu bytes, %d log lines\n",
                static_cast<unsigned long long>(summary.Arrows),
                static_cast<unsigned long long>(summary.Bytes), logRows);
    std::printf("window, click to log shown:        %9.1f ms (median of %d)\n", windowMs, kRuns);
    std::printf("stepquill-convert CHART DIFF > log: %9.1f ms (median of %d)\n", converterMs, kRuns);
    std::printf("ratio %.2f, target <= 2: %s\n", ratio, ratio <= 2 ? "met" : "missed");
    return 0;
}
