#pragma once

#include <functional>
#include <optional>

#include <QDialog>
#include <QString>

#include "device_file.h"

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLineEdit;

// What "Convert to…" was told: the format and how a device presses, and
// the file to write. The chart's texts and name in Device are the window's
// to fill.
struct ConvertToChoice {
    stepquill::DeviceSettings Device;
    QString OutputPath;
};

// Asks how and where to convert, starting from `start`'s format, lengths,
// zero and unit. The file offered is `timingFile`, the kvt file beside the
// chart, with the chosen format's ending. None when the user cancels. The
// window is handed one of these so that tests can answer in place of a
// modal dialog.
using ConvertToAsker = std::function<std::optional<ConvertToChoice>(
    QWidget* parent, const QString& timingFile, const stepquill::DeviceSettings& start)>;

// The dialog that "Convert to…" opens.
std::optional<ConvertToChoice> AskConvertToInDialog(QWidget* parent, const QString& timingFile,
                                                    const stepquill::DeviceSettings& start);

// The path with its ending ("kvt") replaced by the format's.
QString WithFormatEnding(const QString& timingFile, stepquill::OutputFormat format);

class ConvertToDialog final : public QDialog {
    Q_OBJECT

public:
    ConvertToDialog(const QString& timingFile, const stepquill::DeviceSettings& start,
                    QWidget* parent = nullptr);

    ConvertToChoice Choice() const;

private:
    void BuildControls();
    void ShowSettings(const stepquill::DeviceSettings& settings);
    stepquill::OutputFormat Format() const;
    void OnFormatChanged();
    void OnBrowse();
    void EnableOk();

    const QString timingFile_;
    // Once the user has typed or picked a name, a change of format keeps it.
    bool nameChosen_ = false;

    QLineEdit* file_ = nullptr;
    QComboBox* format_ = nullptr;
    QDoubleSpinBox* tap_ = nullptr;
    QDoubleSpinBox* roll_ = nullptr;
    QComboBox* zero_ = nullptr;
    QComboBox* unit_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};
