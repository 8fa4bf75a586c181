#pragma once

#include <QWidget>

#include "chart_dialog.h"
#include "chart_info.h"
#include "text_decoder.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class LogModel;

// The program's only window: the chart path, what the reading found, the six
// arrow choosers, the "Convert" button and the progress log. Ctrl+O asks
// `chooseChart` for a chart to open.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(ChartChooser chooseChart = ChooseChartInDialog, QWidget* parent = nullptr);

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
    void OnConvertClicked();
    void OnOpenShortcut();
    std::string DecimalSeparator() const;

    // What the last reading found: a conversion starts from its tempo and
    // offset, and the next reading from its values.
    stepquill::ChartInfo shown_;
    ChartChooser chooseChart_;
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
