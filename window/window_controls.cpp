#include "window_controls.h"

#include <QByteArray>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTextDocument>

#include "chart_text.h"
#include "log_model.h"

namespace {

// Each difficulty item keeps the chart's own bytes, so the text handed back
// to a conversion matches the chart even when decoding was lossy.
QByteArray ToBytes(const std::string& text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string ItemBytes(const QComboBox& combo, int index) {
    const QByteArray bytes = combo.itemData(index).toByteArray();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

}  // namespace

std::string PathBytes(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::string WindowControls::PathText() { return PathBytes(path_.text()); }

void WindowControls::ClearDifficulties() { difficulty_.clear(); }

void WindowControls::AppendDifficulty(const std::string& text) {
    // Shown by ShowTexts, once the chart's encoding is known.
    difficulty_.addItem(QString(), ToBytes(text));
}

std::string WindowControls::DifficultyText() {
    const int index = difficulty_.currentIndex();
    return index < 0 ? std::string() : ItemBytes(difficulty_, index);
}

std::string WindowControls::FirstDifficulty() {
    return difficulty_.count() == 0 ? std::string() : ItemBytes(difficulty_, 0);
}

void WindowControls::SetDifficultyText(const std::string& text) {
    const int index = difficulty_.findData(ToBytes(text));
    if (index >= 0) difficulty_.setCurrentIndex(index);
}

void WindowControls::ClearLog() { log_.Clear(); }

void WindowControls::SetTitleCaption(const std::string& caption) { titleCaption_ = caption; }

// Tempo and offset are numbers the reading wrote, with the regional separator.
void WindowControls::SetTempoCaption(const std::string& caption) {
    tempo_.setText(LabelText(QString::fromUtf8(caption.data(), qsizetype(caption.size()))));
}

void WindowControls::SetOffsetCaption(const std::string& caption) {
    offset_.setText(LabelText(QString::fromUtf8(caption.data(), qsizetype(caption.size()))));
}

void WindowControls::ShowTexts(stepquill::TextDecoder& decoder) {
    if (titleCaption_) {
        // The caption is the title, CR LF and "by " with the artist. Each
        // takes one line cut to the label's width, so a title that would
        // wrap never pushes the artist under the tempo row; the tooltip
        // holds both whole, up to the characters any label shows.
        const QString caption = DecodeChartText(*titleCaption_, decoder);
        const qsizetype artist = caption.indexOf(QStringLiteral("\r\nby "));
        QStringList lines;
        if (artist < 0)
            lines << caption;
        else
            lines << caption.left(artist) << caption.mid(artist + 2);
        const QFontMetrics metrics(title_.font());
        QStringList shown;
        for (QString& line : lines) {
            // A line break inside the title or the artist would take a line.
            line = LabelText(line.replace(QLatin1Char('\r'), QLatin1Char(' '))
                                 .replace(QLatin1Char('\n'), QLatin1Char(' ')));
            // TextLongestVariant: a U+009C in a chart's text is no separator of
            // shorter variants to show instead.
            shown << metrics.elidedText(line, Qt::ElideRight, title_.contentsRect().width(),
                                        Qt::TextLongestVariant);
        }
        title_.setText(shown.join(QLatin1Char('\n')));
        // As markup, so a long title wraps in the tooltip and a title that
        // looks like markup is shown as written.
        title_.setToolTip(Qt::convertFromPlainText(lines.join(QLatin1Char('\n'))));
    }
    for (int i = 0; i < difficulty_.count(); ++i)
        difficulty_.setItemText(i, DecodeChartText(ItemBytes(difficulty_, i), decoder));
}
