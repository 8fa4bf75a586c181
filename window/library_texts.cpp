#include "library_texts.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include <string>

namespace {

QString Counted(std::size_t count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

// The chart as the library names it: its song folder and its file.
std::string ChartName(const stepquill::LibraryChart& chart) {
    return chart.Folder.empty() ? chart.Chart : chart.Folder + "/" + chart.Chart;
}

}  // namespace

bool ConfirmLibraryInMessageBox(QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, QStringLiteral("Convert library"), question) == QMessageBox::Yes;
}

QString LibraryQuestion(const QString& library, const stepquill::LibraryPlan& plan) {
    // A folder's files go into the folder itself, beside their charts; an
    // archive's into a folder of its own.
    const QString output = PathText(plan.OutputFolder);
    const QString where = output.isEmpty() || QFileInfo(output) == QFileInfo(library)
                              ? QStringLiteral("beside each chart")
                              : QStringLiteral("into the folder %1").arg(output);
    return QStringLiteral("%1 holds %2 (%3). Convert them all?\n\nThe timing files go %4.")
        .arg(library, Counted(plan.Songs, "song", "songs"), Counted(plan.Charts, "chart", "charts"), where);
}

LogLines LibraryReportLines(const stepquill::LibraryReport& report) {
    LogLines lines;
    for (const stepquill::LibraryRefusal& refusal : report.Refused)
        lines.Add(refusal.Entry + " not taken: " + refusal.Reason);
    for (const stepquill::LibraryChart& chart : report.Charts) {
        const std::string name = ChartName(chart);
        if (!chart.StopReason.empty()) lines.Add(name + ": " + chart.StopReason);
        for (const stepquill::LibraryPart& part : chart.Parts) {
            if (!part.Written) lines.Add(name + " " + part.Part + ": " + part.StopReason);
        }
    }
    if (!report.StopReason.empty()) lines.Add("The library stopped: " + report.StopReason);
    if (report.Cancelled) lines.Add("Cancelled; the files written stay.");
    return lines;
}
