#include "convert_to_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using stepquill::OutputFormat;
using stepquill::TimeUnit;
using stepquill::TimeZero;

// The longest press or interval offered: a minute is far beyond any chart's
// need, and keeps a typed value from being read as a time no device holds.
constexpr double kLongestMs = 60000;

// The label names its control for a screen reader too, without its
// mnemonic's "&", and Alt with that letter moves to the control.
QLabel* Caption(QFormLayout& form, const QString& caption, QWidget* control, QLayout* row = nullptr) {
    auto* label = new QLabel(caption);
    label->setBuddy(control);
    control->setAccessibleName(QString(caption).remove(QLatin1Char('&')).chopped(1));
    if (row)
        form.addRow(label, row);
    else
        form.addRow(label, control);
    return label;
}

QDoubleSpinBox* LengthBox(const char* name) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setDecimals(3);
    box->setRange(0.001, kLongestMs);
    box->setSuffix(QStringLiteral(" ms"));
    return box;
}

QComboBox* Chooser(const char* name, std::initializer_list<std::pair<const char*, int>> items) {
    auto* combo = new QComboBox;
    combo->setObjectName(QLatin1String(name));
    for (const auto& [text, value] : items) combo->addItem(QString::fromUtf8(text), value);
    return combo;
}

void Choose(QComboBox& combo, int value) { combo.setCurrentIndex(combo.findData(value)); }

template <typename Enum>
Enum Chosen(const QComboBox& combo) {
    return static_cast<Enum>(combo.currentData().toInt());
}

QString FileFilter(OutputFormat format) {
    switch (format) {
    case OutputFormat::Kvt:
        return QStringLiteral("Timing files (*.kvt);;All files (*)");
    case OutputFormat::Csv:
        return QStringLiteral("CSV files (*.csv);;All files (*)");
    case OutputFormat::Json:
        return QStringLiteral("JSON files (*.json);;All files (*)");
    case OutputFormat::CHeader:
        return QStringLiteral("C headers (*.h);;All files (*)");
    }
    return QStringLiteral("All files (*)");
}

}  // namespace

QString WithFormatEnding(const QString& timingFile, OutputFormat format) {
    const std::string_view ending = stepquill::FormatEnding(format);
    const QString kvt = QStringLiteral("kvt");
    if (!timingFile.endsWith(kvt)) return timingFile;
    return timingFile.chopped(kvt.size()) + QString::fromLatin1(ending.data(), qsizetype(ending.size()));
}

std::optional<ConvertToChoice> AskConvertToInDialog(QWidget* parent, const QString& timingFile,
                                                    const stepquill::DeviceSettings& start) {
    ConvertToDialog dialog(timingFile, start, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Choice();
}

ConvertToDialog::ConvertToDialog(const QString& timingFile, const stepquill::DeviceSettings& start,
                                 QWidget* parent)
    : QDialog(parent), timingFile_(timingFile) {
    setObjectName(QStringLiteral("ConvertToDialog"));
    setWindowTitle(QStringLiteral("Convert to"));
    BuildControls();
    ShowSettings(start);
    file_->setText(WithFormatEnding(timingFile_, Format()));
    OnFormatChanged();

    connect(format_, &QComboBox::currentIndexChanged, this, &ConvertToDialog::OnFormatChanged);
    // Only what the user types counts as a chosen name, not what a change of
    // format puts there.
    connect(file_, &QLineEdit::textEdited, this, [this] { nameChosen_ = true; });
    connect(file_, &QLineEdit::textChanged, this, &ConvertToDialog::EnableOk);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    EnableOk();
    format_->setFocus();
}

void ConvertToDialog::BuildControls() {
    auto* form = new QFormLayout(this);

    file_ = new QLineEdit;
    file_->setObjectName(QStringLiteral("File"));
    file_->setMinimumWidth(260);
    auto* browse = new QPushButton(QStringLiteral("&Browse\u2026"));
    browse->setObjectName(QStringLiteral("Browse"));
    browse->setAccessibleName(QStringLiteral("Browse for the file"));
    connect(browse, &QPushButton::clicked, this, &ConvertToDialog::OnBrowse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_);
    fileRow->addWidget(browse);
    Caption(*form, QStringLiteral("&File:"), file_, fileRow);

    format_ = Chooser("Format", {{"kvt timing file", int(OutputFormat::Kvt)},
                                 {"CSV", int(OutputFormat::Csv)},
                                 {"JSON", int(OutputFormat::Json)},
                                 {"C header", int(OutputFormat::CHeader)}});
    Caption(*form, QStringLiteral("F&ormat:"), format_);

    tap_ = LengthBox("TapLength");
    tap_->setToolTip(QStringLiteral("How long a tap is held, at most half the way to the next press"));
    Caption(*form, QStringLiteral("&Tap length:"), tap_);
    roll_ = LengthBox("RollInterval");
    roll_->setToolTip(QStringLiteral("How often a roll is tapped again until its tail"));
    Caption(*form, QStringLiteral("&Roll interval:"), roll_);

    zero_ = Chooser("Zero", {{"start of the music", int(TimeZero::Music)},
                             {"first press", int(TimeZero::FirstPress)}});
    Caption(*form, QStringLiteral("&Zero:"), zero_);
    unit_ = Chooser("TimeUnit", {{"microseconds (us)", int(TimeUnit::Microseconds)},
                                 {"milliseconds (ms)", int(TimeUnit::Milliseconds)}});
    Caption(*form, QStringLiteral("Time &unit:"), unit_);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons_->setObjectName(QStringLiteral("Buttons"));
    form->addRow(buttons_);

    // Top to bottom, as the rows stand.
    QWidget* const order[] = {file_, browse, format_, tap_, roll_, zero_, unit_,
                              buttons_->button(QDialogButtonBox::Ok),
                              buttons_->button(QDialogButtonBox::Cancel)};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void ConvertToDialog::ShowSettings(const stepquill::DeviceSettings& settings) {
    Choose(*format_, int(settings.Format));
    tap_->setValue(settings.Lengths.TapMs);
    roll_->setValue(settings.Lengths.RollMs);
    Choose(*zero_, int(settings.Zero));
    Choose(*unit_, int(settings.Unit));
}

OutputFormat ConvertToDialog::Format() const { return Chosen<OutputFormat>(*format_); }

void ConvertToDialog::OnFormatChanged() {
    // A kvt file has no presses' lengths, zero or unit of its own.
    const bool device = Format() != OutputFormat::Kvt;
    QWidget* const deviceControls[] = {tap_, roll_, zero_, unit_};
    for (QWidget* control : deviceControls) {
        control->setEnabled(device);
        if (auto* form = qobject_cast<QFormLayout*>(layout())) {
            if (QWidget* label = form->labelForField(control)) label->setEnabled(device);
        }
    }
    if (!nameChosen_) file_->setText(WithFormatEnding(timingFile_, Format()));
}

void ConvertToDialog::OnBrowse() {
    const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("Convert to"), file_->text(),
                                                        FileFilter(Format()));
    if (chosen.isEmpty()) return;
    file_->setText(chosen);
    nameChosen_ = true;
}

void ConvertToDialog::EnableOk() {
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!file_->text().isEmpty());
}

ConvertToChoice ConvertToDialog::Choice() const {
    ConvertToChoice choice;
    choice.Device.Format = Format();
    choice.Device.Lengths.TapMs = tap_->value();
    choice.Device.Lengths.RollMs = roll_->value();
    choice.Device.Zero = Chosen<TimeZero>(*zero_);
    choice.Device.Unit = Chosen<TimeUnit>(*unit_);
    choice.OutputPath = file_->text();
    return choice;
}
