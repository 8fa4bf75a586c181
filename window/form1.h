#pragma once

#include <QWidget>

#include "chart_dialog.h"
#include "chart_info.h"
#include "conversion_request.h"
#include "convert_to_dialog.h"
#include "text_decoder.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class LogModel;

// The program's only window: the chart path, what the reading found, the six
// arrow choosers, the "Convert" button and the progress log. Ctrl+O asks
// `chooseChart` for a chart to open; "Convert to…" (Ctrl+Shift+S, or the
// button's context menu) asks `askConvertTo` for the format and the file.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(ChartChooser chooseChart = ChooseChartInDialog,
                   ConvertToAsker askConvertTo = AskConvertToInDialog, QWidget* parent = nullptr);

    // Puts the path into Text2 and reads that chart once, also when Text2
    // already shows the path.
    void OpenChart(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void SetTabOrder();
    void OnLoad();
    void ReadChart();
    void AddConvertMenu();
    stepquill::ConversionRequest RequestFromControls();
    void Convert(const stepquill::ConversionRequest& request);
    void OnConvertClicked();
    void OnConvertTo();
    void OnOpenShortcut();
    std::string DecimalSeparator() const;

    // What the last reading found: a conversion starts from its tempo and
    // offset, and the next reading from its values.
    stepquill::ChartInfo shown_;
    ChartChooser chooseChart_;
    ConvertToAsker askConvertTo_;
    // What the last "Convert to…" chose: the next one starts from it.
    stepquill::DeviceSettings lastDevice_;
    // The encoding of the chart last read, for its captions and its log.
    stepquill::TextDecoder chartText_;

    QLineEdit* text2_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QPushButton* command1_ = nullptr;
    QListView* list1_ = nullptr;
    LogModel* log_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
};
