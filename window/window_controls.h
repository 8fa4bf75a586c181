#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "chart_info.h"
#include "text_decoder.h"

class QComboBox;
class QLabel;
class QLineEdit;
class LogModel;

// The window's controls as the chart reading sees them. Texts cross here
// between the core's bytes and Qt's strings: they are kept as bytes while the
// reading runs, and shown once ShowTexts knows the chart's encoding.
class WindowControls final : public stepquill::ChartInfoControls {
public:
    WindowControls(QLineEdit& path, QComboBox& difficulty, LogModel& log,
                   QLabel& title, QLabel& tempo, QLabel& offset)
        : path_(path), difficulty_(difficulty), log_(log), title_(title), tempo_(tempo),
          offset_(offset) {}

    std::string PathText() override;
    void ClearDifficulties() override;
    void AppendDifficulty(const std::string& text) override;
    std::string DifficultyText() override;
    std::string FirstDifficulty() override;
    void SetDifficultyText(const std::string& text) override;
    void ClearLog() override;
    void SetTitleCaption(const std::string& caption) override;
    void SetTempoCaption(const std::string& caption) override;
    void SetOffsetCaption(const std::string& caption) override;

    // Shows the title and the difficulties of this reading in the encoding.
    void ShowTexts(stepquill::TextDecoder& decoder);

private:
    QLineEdit& path_;
    QComboBox& difficulty_;
    LogModel& log_;
    QLabel& title_;
    QLabel& tempo_;
    QLabel& offset_;
    std::optional<std::string> titleCaption_;
};

// The file system's bytes for a path shown in the window.
std::string PathBytes(const QString& path);
