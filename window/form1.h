#pragma once

#include <QWidget>

#include "converter_state.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class LogModel;

// The program's only window: the chart path, what the reading found, the six
// arrow choosers, the "Convert" button and the progress log.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void SetTabOrder();
    void OnLoad();
    void ReadChart();
    void OnConvertClicked();
    std::string DecimalSeparator() const;

    stepquill::ConverterState state_;

    QLineEdit* text2_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QComboBox* combo2_ = nullptr;
    QComboBox* combo3_ = nullptr;
    QComboBox* combo4_ = nullptr;
    QComboBox* combo5_ = nullptr;
    QComboBox* combo6_ = nullptr;
    QComboBox* combo7_ = nullptr;
    QPushButton* command1_ = nullptr;
    QListView* list1_ = nullptr;
    LogModel* log_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
};
