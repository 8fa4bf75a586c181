#pragma once

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "chart_dialog.h"
#include "chart_info.h"
#include "conversion_run.h"
#include "conversion_request.h"
#include "convert_to_dialog.h"
#include "library_texts.h"
#include "text_decoder.h"

class QComboBox;
class QTimer;
class QLabel;
class QLineEdit;
class QListView;
class QProgressDialog;
class QPushButton;
class QShortcut;
class LogModel;

class LogMailbox;
class OwnedWork;

// Reads the chart a path names, starting from the last reading's values;
// it may end early, as a failed read, once `abandoned` is set.
using ChartReader = std::function<stepquill::ChartReading(
    const std::string& path, const stepquill::ChartInfo& before, const std::atomic<bool>& abandoned)>;

// The program's only window: the chart path, what the reading found, the six
// arrow choosers, the "Convert" button and the progress log. Ctrl+O asks
// `chooseChart` for a chart to open; `readChart` reads the chart a path
// names. Readings and conversions run off the window's thread, so the
// window answers while a large chart is read: a reading shows once it ends,
// unless a newer path has been asked for by then, which abandons it, and a
// conversion asked
// for meanwhile runs once the reading of its chart is shown, one at a time.
// "Convert to…" (Ctrl+Shift+S, or the button's context menu) asks
// `askConvertTo` for the format and the file. A folder or an archive, dropped
// or opened (Ctrl+O for an archive, Ctrl+Shift+O asks `chooseLibraryFolder`
// for a folder), is a library: `confirmLibrary` is asked whether to convert
// all its songs, which then convert off the window's thread with a progress
// dialog that can cancel them.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(ChartChooser chooseChart = ChooseChartInDialog,
                   ChartReader readChart = ReadChartFile, ConvertToAsker askConvertTo = AskConvertToInDialog,
                   LibraryConfirmer confirmLibrary = ConfirmLibraryInMessageBox,
                   ChartChooser chooseLibraryFolder = ChooseLibraryFolderInDialog, QWidget* parent = nullptr);
    // Cancels a library's conversion and waits for it.
    ~Form1() override;

    // Puts the path into Text2 and reads that chart once, also when Text2
    // already shows the path.
    void OpenChart(const QString& path);
    // Whether a reading, a conversion or a library's run is under way or waiting.
    bool IsBusy() const;

    static stepquill::ChartReading ReadChartFile(const std::string& path, const stepquill::ChartInfo& before,
                                                 const std::atomic<bool>& abandoned);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void SetTabOrder();
    void OnLoad();
    void ReadChart();
    void OnReadingLanded(std::uint64_t reading, stepquill::ChartReading result);
    void ShowReading(const stepquill::ChartReading& reading);
    void ShowPartTiming();
    void AddConvertMenu();
    stepquill::ConversionRequest RequestFromControls();
    void OnConvertClicked();
    void OnConvertTo();
    void StartConversion(const std::optional<ConvertToChoice>& choice);
    void OnConversionEnded(const stepquill::RunOutcome& outcome);
    // Shows a landed reading and starts an asked conversion, when nothing
    // runs that they would wait for.
    void Proceed();
    void OnOpenShortcut();
    std::string DecimalSeparator() const;
    // The library's part (form1_library.cpp). Whether the path is taken as
    // a library, whose conversion is then offered.
    bool OfferLibrary(const QString& path);
    void OnOpenLibraryFolder();
    void OnLibraryPlanned(const stepquill::LibrarySettings& settings,
                          const std::optional<stepquill::LibraryPlan>& plan, const std::string& reason);
    void StartLibrary(const stepquill::LibrarySettings& settings, const stepquill::LibraryPlan& plan);
    void ShowLibraryProgress(const stepquill::LibraryProgress& progress);
    void OnLibraryConverted(const stepquill::LibraryReport& report);
    void StopLibrary();
    // The choices a conversion is made from stay as they are while a library runs.
    void EnableChoices(bool enabled);

    // What the last reading found: a conversion starts from its tempo and
    // offset, and the next reading from its values.
    stepquill::ChartInfo shown_;
    ChartChooser chooseChart_;
    ChartReader readChart_;
    // Readings are numbered as they are asked for; only the last one asked
    // is shown, and asking for one abandons the one before.
    std::uint64_t readingsAsked_ = 0;
    std::uint64_t readingsLanded_ = 0;
    std::shared_ptr<std::atomic<bool>> readingAbandoned_;
    std::optional<stepquill::ChartReading> landedReading_;  // waiting for a conversion to end
    // Conversions asked for, each with its "Convert to…" choice or none.
    std::deque<std::optional<ConvertToChoice>> conversionsAsked_;
    std::shared_ptr<LogMailbox> conversionLog_;  // while a conversion runs
    QTimer* logDelivery_ = nullptr;
    ConvertToAsker askConvertTo_;
    // What the last "Convert to…" chose: the next one starts from it.
    stepquill::DeviceSettings lastDevice_;
    // The encoding of the chart last read, for its captions and its log.
    stepquill::TextDecoder chartText_;
    LibraryConfirmer confirmLibrary_;
    ChartChooser chooseLibraryFolder_;
    // A library's plan, then its conversion, while either runs.
    std::unique_ptr<OwnedWork> libraryWork_;
    std::shared_ptr<std::atomic<bool>> libraryCancel_;
    QProgressDialog* libraryProgress_ = nullptr;
    QShortcut* openChart_ = nullptr;

    QLineEdit* text2_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QPushButton* command1_ = nullptr;
    QListView* list1_ = nullptr;
    LogModel* log_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
};
