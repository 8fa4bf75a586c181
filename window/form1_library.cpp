// The window's part in converting a whole library: asked for, planned,
// confirmed, run off the window's thread with its progress shown, and
// cancelled when the window closes.
#include "form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QListView>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>

#include <string>
#include <utility>

#include "background_work.h"
#include "library_progress.h"
#include "library_run.h"
#include "library_texts.h"
#include "log_model.h"
#include "window_controls.h"

namespace {

struct PlanOutcome {
    std::optional<stepquill::LibraryPlan> Plan;
    std::string Reason;
};

}  // namespace

Form1::~Form1() { StopLibrary(); }

void Form1::closeEvent(QCloseEvent* event) {
    StopLibrary();
    QWidget::closeEvent(event);
}

bool Form1::OfferLibrary(const QString& path) {
    const std::string library = PathBytes(path);
    if (!stepquill::NamesLibrary(library)) return false;
    // One library at a time; the choices are disabled meanwhile anyway.
    if (libraryWork_) return true;
    stepquill::LibrarySettings settings;
    settings.Library = library;
    settings.Jobs = 0;
    // Every chart converts with the tokens chosen here, as "Convert" would;
    // the chart, its part and reading are each song's own.
    settings.Conversion = RequestFromControls();
    settings.Conversion.ChartPath.clear();
    settings.Conversion.Part.clear();
    settings.Conversion.Reading = {};
    EnableChoices(false);
    // Counting the songs of a large archive reads all of it.
    libraryWork_ = std::make_unique<OwnedWork>(
        this,
        [settings] {
            PlanOutcome outcome;
            outcome.Plan = stepquill::PlanLibrary(settings, outcome.Reason);
            return outcome;
        },
        [this, settings](PlanOutcome outcome) { OnLibraryPlanned(settings, outcome.Plan, outcome.Reason); });
    return true;
}

void Form1::OnOpenLibraryFolder() {
    const QString chosen = chooseLibraryFolder_(this, QString());
    if (!chosen.isEmpty()) OfferLibrary(chosen);
}

void Form1::OnLibraryPlanned(const stepquill::LibrarySettings& settings,
                             const std::optional<stepquill::LibraryPlan>& plan, const std::string& reason) {
    libraryWork_.reset();
    if (!plan || plan->Songs == 0) {
        log_->Conclude("Library not converted: " + settings.Library + ": " + (plan ? "no song found" : reason));
        EnableChoices(true);
        return;
    }
    const QString library = QFile::decodeName(QByteArray(settings.Library.data(), qsizetype(settings.Library.size())));
    if (!confirmLibrary_(this, LibraryQuestion(library, *plan))) {
        EnableChoices(true);
        return;
    }
    StartLibrary(settings, *plan);
}

void Form1::StartLibrary(const stepquill::LibrarySettings& settings, const stepquill::LibraryPlan& plan) {
    libraryProgress_ = new QProgressDialog(QStringLiteral("Converting the library\u2026"), QStringLiteral("Cancel"),
                                           0, int(plan.Songs), this);
    libraryProgress_->setObjectName(QStringLiteral("LibraryProgress"));
    libraryProgress_->setWindowTitle(QStringLiteral("Convert library"));
    // Closed by the window once the run ends: a full bar may still have
    // files being written.
    libraryProgress_->setAutoClose(false);
    libraryProgress_->setAutoReset(false);
    libraryProgress_->setMinimumDuration(0);
    libraryProgress_->setValue(0);
    libraryCancel_ = std::make_shared<std::atomic<bool>>(false);
    // The dialog would hide itself on Cancel; it stays, saying so, until the
    // songs under way are written.
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), libraryProgress_);
    libraryProgress_->setCancelButton(cancel);
    // Qt joins the two by name, and only by name can they be parted.
    disconnect(libraryProgress_, SIGNAL(canceled()), libraryProgress_, SLOT(cancel()));
    connect(libraryProgress_, &QProgressDialog::canceled, this, [this, cancel] {
        *libraryCancel_ = true;
        cancel->setEnabled(false);
        libraryProgress_->setLabelText(QStringLiteral("Cancelling after the songs under way\u2026"));
    });
    libraryProgress_->show();
    libraryWork_ = std::make_unique<OwnedWork>(
        this,
        [settings, cancel = libraryCancel_, relay = LibraryProgressRelay(this, [this](const auto& progress) {
             ShowLibraryProgress(progress);
         })]() mutable { return stepquill::ConvertLibrary(settings, relay, *cancel); },
        [this](const stepquill::LibraryReport& report) { OnLibraryConverted(report); });
}

void Form1::ShowLibraryProgress(const stepquill::LibraryProgress& progress) {
    // Progress sent just before the run ended, or was stopped, finds no dialog.
    if (libraryProgress_ == nullptr || libraryCancel_->load()) return;
    libraryProgress_->setMaximum(int(progress.Songs));
    libraryProgress_->setValue(int(progress.SongsDone));
    libraryProgress_->setLabelText(QStringLiteral("%1 of %2 songs, %3 parts written, %4 stopped")
                                       .arg(progress.SongsDone)
                                       .arg(progress.Songs)
                                       .arg(progress.PartsWritten)
                                       .arg(progress.PartsStopped));
}

void Form1::OnLibraryConverted(const stepquill::LibraryReport& report) {
    libraryWork_.reset();
    delete libraryProgress_;
    libraryProgress_ = nullptr;
    log_->Append(LibraryReportLines(report));
    log_->Conclude(report.Summary());
    EnableChoices(true);
}

void Form1::StopLibrary() {
    if (libraryCancel_) *libraryCancel_ = true;
    // Waits for the charts under way; every file is then whole.
    libraryWork_.reset();
    delete libraryProgress_;
    libraryProgress_ = nullptr;
    EnableChoices(true);
}

void Form1::EnableChoices(bool enabled) {
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isWindow() && control != list1_) control->setEnabled(enabled);
    }
    for (QAction* action : actions()) action->setEnabled(enabled);
    openChart_->setEnabled(enabled);
}
