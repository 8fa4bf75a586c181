#include "form1.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "arrow_tokens.h"
#include "background_work.h"
#include "chart_encoding.h"
#include "chart_format.h"
#include "chart_info.h"
#include "chart_formats.h"
#include "messages.h"
#include "log_mailbox.h"
#include "log_model.h"
#include "path_completion.h"
#include "window_controls.h"

namespace {

QFont DialogFont() {
    // Where "MS Sans Serif" is missing, the next families come closest in
    // width, so the captions fit their labels; the style hint covers the rest.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}

QFont LogFont() {
    QFont font = QFontDatabase::hasFamily(QStringLiteral("Fixedsys"))
                     ? QFont(QStringLiteral("Fixedsys"))
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9);
    return font;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    return label;
}

// The label names the control for a screen reader too, which would otherwise
// announce the control by its kind alone.
void Caption(QWidget* control, QLabel* label) {
    label->setBuddy(control);
    control->setAccessibleName(label->text());
}

QComboBox* AddCombo(QWidget* parent, const char* name, QRect geometry) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(false);
    combo->setGeometry(geometry);
    return combo;
}

// A chooser of the token for an arrow that has no button of its own. Each
// is built, given its default and read from its row, so a chooser and the
// arrow it sets cannot part.
struct TokenChooser {
    const char* control;
    const char* label;
    const char* caption;
    int top;  // of the chooser; its caption stands 6 pixels lower
    std::string stepquill::ArrowTokens::*token;
};

constexpr TokenChooser kTokenChoosers[] = {
    {"Combo2", "Label8", "Convert Up-Left to:", 92, &stepquill::ArrowTokens::UpLeft},
    {"Combo3", "Label9", "Convert Up-Right to:", 114, &stepquill::ArrowTokens::UpRight},
    {"Combo4", "Label10", "Convert Down-Left to:", 135, &stepquill::ArrowTokens::DownLeft},
    {"Combo5", "Label11", "Convert Down-Right to:", 156, &stepquill::ArrowTokens::DownRight},
    {"Combo6", "Label12", "Convert Up-Down to:", 177, &stepquill::ArrowTokens::UpDown},
    {"Combo7", "Label13", "Convert Left-Right to:", 198, &stepquill::ArrowTokens::LeftRight},
};

QString TokenText(std::string_view token) {
    return QString::fromUtf8(token.data(), qsizetype(token.size()));
}

void AddTokenChooser(QWidget* parent, const TokenChooser& chooser) {
    QComboBox* combo = AddCombo(parent, chooser.control, {162, chooser.top, 109, 21});
    for (std::string_view token : stepquill::kTokenChoices) combo->addItem(TokenText(token));
    Caption(combo, AddLabel(parent, chooser.label, QString::fromLatin1(chooser.caption),
                            {6, chooser.top + 6, 115, 13}));
}

// Found by the name the table gives it, so the table stays the one list of
// the choosers.
QComboBox* ControlOf(const QWidget& form, const TokenChooser& chooser) {
    return form.findChild<QComboBox*>(QLatin1String(chooser.control), Qt::FindDirectChildrenOnly);
}

stepquill::ArrowTokens ChosenTokens(const QWidget& form) {
    stepquill::ArrowTokens tokens;
    for (const TokenChooser& chooser : kTokenChoosers)
        tokens.*chooser.token = ControlOf(form, chooser)->currentText().toStdString();
    return tokens;
}

// The first local file of a drag, or an empty text when it carries none.
QString FirstLocalFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) return url.toLocalFile();
    }
    return {};
}

// Where the chart dialog starts: the folder the path names or lies in, when
// that folder exists; otherwise the dialog's own choice.
QString FolderOfPath(const QString& path) {
    if (path.isEmpty()) return {};
    const QFileInfo info(path);
    if (info.isDir()) return info.absoluteFilePath();
    const QFileInfo folder(info.absolutePath());
    return folder.isDir() ? folder.absoluteFilePath() : QString();
}

// The chart's file name without its ending, which a C header's names are
// made from, as the converter makes them.
std::string ChartName(const std::string& chartPath) {
    const std::string name = chartPath.substr(chartPath.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The kvt file "Convert" writes for the chart, which "Convert to…" offers
// with the chosen format's ending; empty where the path names none.
QString TimingFileBeside(const std::string& chartPath) {
    std::string reason;
    const std::string path =
        stepquill::ReaderFor(stepquill::FormatOfPath(chartPath))->TimingFileFor(chartPath, reason);
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

// Shift+F10 opens the focused control's context menu on most desktops; Qt
// by itself answers only the menu key, which the platform sends on as a
// context menu event.
bool OpensContextMenu(const QKeyEvent& key) {
    return key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier;
}

}  // namespace

Form1::Form1(ChartChooser chooseChart, ChartReader readChart, ConvertToAsker askConvertTo,
             LibraryConfirmer confirmLibrary, ChartChooser chooseLibraryFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      chooseChart_(std::move(chooseChart)),
      readChart_(std::move(readChart)),
      askConvertTo_(std::move(askConvertTo)),
      chartText_(*stepquill::TextDecoder::Open("UTF-8")),
      confirmLibrary_(std::move(confirmLibrary)),
      chooseLibraryFolder_(std::move(chooseLibraryFolder)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Stepquill 1.3b by Vantrel"));
    setFont(DialogFont());
    setFixedSize(276, 386);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/16x16/apps/stepquill.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/32x32/apps/stepquill.png"), QSize(32, 32));
    setWindowIcon(icon);

    BuildControls();
    SetTabOrder();
    AddConvertMenu();

    connect(text2_, &QLineEdit::textChanged, this, &Form1::ReadChart);
    connect(combo1_, &QComboBox::currentIndexChanged, this, &Form1::ShowPartTiming);
    // A running conversion's lines reach the log a few times a second.
    logDelivery_ = new QTimer(this);
    logDelivery_->setInterval(50);
    connect(logDelivery_, &QTimer::timeout, this, [this] {
        if (conversionLog_) conversionLog_->Deliver(*log_);
    });
    connect(command1_, &QPushButton::clicked, this, &Form1::OnConvertClicked);
    // Enter where the chart and its part are chosen converts, as "Convert" does.
    connect(text2_, &QLineEdit::returnPressed, this, &Form1::OnConvertClicked);
    text2_->installEventFilter(this);
    combo1_->installEventFilter(this);
    command1_->installEventFilter(this);
    openChart_ = new QShortcut(QKeySequence::Open, this);
    connect(openChart_, &QShortcut::activated, this, &Form1::OnOpenShortcut);
    // A file dialog picks files only, so a library folder has its own.
    auto* openLibrary = new QAction(QStringLiteral("Open library folder\u2026"), this);
    openLibrary->setObjectName(QStringLiteral("OpenLibraryAction"));
    openLibrary->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    openLibrary->setShortcutContext(Qt::WindowShortcut);
    connect(openLibrary, &QAction::triggered, this, &Form1::OnOpenLibraryFolder);
    addAction(openLibrary);

    OnLoad();
    command1_->setFocus();
}

void Form1::BuildControls() {
    QLabel* label2 = AddLabel(this, "Label2", QStringLiteral("Path to chart file (drag and drop):"),
                              {6, 0, 157, 13});

    text2_ = new QLineEdit(this);
    text2_->setObjectName(QStringLiteral("Text2"));
    text2_->setGeometry(6, 13, 265, 19);
    Caption(text2_, label2);
    CompleteLocalPaths(*text2_);

    label5_ = AddLabel(this, "Label5", QString(), {6, 30, 265, 31});
    QFont bold = DialogFont();
    bold.setBold(true);
    label5_->setFont(bold);
    label5_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    label3_ = AddLabel(this, "Label3", QStringLiteral("BPM:"), {6, 60, 97, 13});
    combo1_ = AddCombo(this, "Combo1", {162, 63, 109, 21});
    Caption(combo1_,
            AddLabel(this, "Label6", QStringLiteral("Difficulty:"), {114, 66, 49, 13}));
    label4_ = AddLabel(this, "Label4", QStringLiteral("Offset:"), {6, 72, 97, 13});

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setGeometry(0, 87, 276, 1);

    for (const TokenChooser& chooser : kTokenChoosers) AddTokenChooser(this, chooser);

    command1_ = new QPushButton(QStringLiteral("Convert"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setGeometry(6, 222, 265, 37);
    // Outside a dialog Qt ignores Enter on a button unless it is auto-default;
    // there is still no default button, Enter only presses the focused one.
    command1_->setAutoDefault(true);

    QLabel* label1 = AddLabel(this, "Label1", QStringLiteral("Internals:"), {6, 264, 49, 13});

    log_ = new LogModel(this);
    // Lines that quote the chart are shown in the chart's encoding.
    log_->SetDecoder(&chartText_);
    list1_ = new QListView(this);
    list1_->setObjectName(QStringLiteral("List1"));
    list1_->setModel(log_);
    list1_->setFont(LogFont());
    list1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every line has the same height; this keeps a long log quick to lay out.
    list1_->setUniformItemSizes(true);
    list1_->setGeometry(6, 276, 265, 94);
    Caption(list1_, label1);

    AddLabel(this, "Label7",
             QStringLiteral("Latest version: https://stepquill.example.org/releases"),
             {6, 372, 265, 19});
}

void Form1::SetTabOrder() {
    std::vector<QWidget*> order{command1_, list1_, text2_, combo1_};
    for (const TokenChooser& chooser : kTokenChoosers) order.push_back(ControlOf(*this, chooser));
    for (size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void Form1::OnLoad() {
    const stepquill::ArrowTokens defaults;
    for (const TokenChooser& chooser : kTokenChoosers) {
        QComboBox* combo = ControlOf(*this, chooser);
        combo->setCurrentIndex(combo->findText(TokenText(defaults.*chooser.token)));
    }
}

std::string Form1::DecimalSeparator() const { return QLocale().decimalPoint().toStdString(); }

stepquill::ChartReading Form1::ReadChartFile(const std::string& path, const stepquill::ChartInfo& before,
                                             const std::atomic<bool>& abandoned) {
    return stepquill::ReadChartUnlessAbandoned(path, abandoned, before);
}

bool Form1::IsBusy() const {
    return readingsLanded_ != readingsAsked_ || landedReading_ || conversionLog_ || !conversionsAsked_.empty() ||
           libraryWork_;
}

void Form1::ReadChart() {
    const std::uint64_t reading = ++readingsAsked_;
    if (readingAbandoned_) *readingAbandoned_ = true;
    readingAbandoned_ = std::make_shared<std::atomic<bool>>(false);
    RunInBackground(
        this,
        [read = readChart_, path = PathBytes(text2_->text()), before = shown_, abandoned = readingAbandoned_] {
            return read(path, before, *abandoned);
        },
        [this, reading](stepquill::ChartReading result) { OnReadingLanded(reading, std::move(result)); });
}

void Form1::OnReadingLanded(std::uint64_t reading, stepquill::ChartReading result) {
    // A reading of a path the field no longer holds is dropped.
    if (reading != readingsAsked_) return;
    readingsLanded_ = reading;
    readingAbandoned_.reset();
    landedReading_ = std::move(result);
    Proceed();
}

void Form1::ShowReading(const stepquill::ChartReading& reading) {
    // Known before the controls fill, for the chosen part's tempo and offset.
    const stepquill::ChartInfo before = std::exchange(shown_, reading.Info);
    WindowControls controls(*text2_, *combo1_, *log_, *label5_, *label3_, *label4_);
    // A failed reading leaves the window as the reading left it, with no
    // message but for a chart no chart could be: that one says why.
    const stepquill::ChartInfoReading landed = [&reading](const std::string&, const stepquill::ChartInfo&) {
        return reading;
    };
    stepquill::GetDWIInfo(controls, landed, before, DecimalSeparator());
    if (auto decoder = stepquill::ChartTextDecoder(stepquill::ChartHeaderBytes(shown_)))
        chartText_ = std::move(*decoder);
    controls.ShowTexts(chartText_);
    ShowPartTiming();
    if (reading.StopReason == stepquill::kChartLargerThanAnyChart) log_->Conclude(reading.StopReason);
}

// The tempo and offset a conversion of the chosen part runs on.
void Form1::ShowPartTiming() {
    WindowControls controls(*text2_, *combo1_, *log_, *label5_, *label3_, *label4_);
    const std::string part = controls.DifficultyText();
    if (shown_.HasTempo) controls.SetTempoCaption(stepquill::PartTempoCaption(shown_, part, DecimalSeparator()));
    if (shown_.HasOffset) controls.SetOffsetCaption(stepquill::PartOffsetCaption(shown_, part, DecimalSeparator()));
}

void Form1::Proceed() {
    if (conversionLog_) return;
    if (landedReading_) {
        const stepquill::ChartReading reading = std::move(*landedReading_);
        landedReading_.reset();
        ShowReading(reading);
    }
    // A conversion converts the chart its reading shows.
    if (readingsLanded_ != readingsAsked_ || conversionsAsked_.empty()) return;
    const std::optional<ConvertToChoice> choice = conversionsAsked_.front();
    conversionsAsked_.pop_front();
    StartConversion(choice);
}

void Form1::OpenChart(const QString& path) {
    // Setting the same text again changes nothing and so would read nothing.
    if (text2_->text() == path)
        ReadChart();
    else
        text2_->setText(path);  // reads once through textChanged
}

void Form1::OnOpenShortcut() {
    const QString chosen = chooseChart_(this, FolderOfPath(text2_->text()));
    if (!chosen.isEmpty() && !OfferLibrary(chosen)) OpenChart(chosen);
}

void Form1::AddConvertMenu() {
    // The window's layout is fixed, so the formats other than kvt are offered
    // where they take no room: a shortcut and the button's context menu.
    auto* convert = new QAction(QStringLiteral("Convert"), this);
    convert->setObjectName(QStringLiteral("ConvertAction"));
    connect(convert, &QAction::triggered, this, &Form1::OnConvertClicked);
    auto* convertTo = new QAction(QStringLiteral("Convert to\u2026"), this);
    convertTo->setObjectName(QStringLiteral("ConvertToAction"));
    convertTo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    convertTo->setShortcutContext(Qt::WindowShortcut);
    connect(convertTo, &QAction::triggered, this, &Form1::OnConvertTo);
    // Held by the window as well, so the shortcut answers wherever the focus is.
    addAction(convertTo);
    command1_->addActions({convert, convertTo});
    command1_->setContextMenuPolicy(Qt::ActionsContextMenu);
    command1_->setAccessibleDescription(
        QStringLiteral("Converts into a kvt timing file beside the chart. Convert to\u2026 (Ctrl+Shift+S, or "
                       "this button's context menu) writes another format or another file."));
}

stepquill::ConversionRequest Form1::RequestFromControls() {
    WindowControls controls(*text2_, *combo1_, *log_, *label5_, *label3_, *label4_);
    stepquill::ConversionRequest request;
    request.ChartPath = controls.PathText();
    request.Reading = shown_;
    request.Part = controls.DifficultyText();
    request.Tokens = ChosenTokens(*this);
    request.DecimalSeparator = DecimalSeparator();
    return request;
}

void Form1::OnConvertClicked() {
    // Each click converts, as the controls stand when its turn comes.
    conversionsAsked_.push_back(std::nullopt);
    Proceed();
}

void Form1::OnConvertTo() {
    const std::string chartPath = RequestFromControls().ChartPath;
    // As "Convert" does: with no chart named there is nothing to ask about.
    if (chartPath.empty()) return;
    const std::optional<ConvertToChoice> choice = askConvertTo_(this, TimingFileBeside(chartPath), lastDevice_);
    if (!choice) return;
    lastDevice_ = choice->Device;
    conversionsAsked_.push_back(choice);
    Proceed();
}

void Form1::StartConversion(const std::optional<ConvertToChoice>& choice) {
    stepquill::ConversionRequest request = RequestFromControls();
    if (choice) {
        stepquill::DeviceSettings& device = request.Device;
        device = choice->Device;
        // The file describes the chart as the window shows it.
        device.Title = chartText_.ToUtf8(stepquill::FullTitle(shown_));
        device.Artist = chartText_.ToUtf8(shown_.Artist);
        device.Part = chartText_.ToUtf8(request.Part);
        device.ChartName = ChartName(request.ChartPath);
        request.OutputPath = PathBytes(choice->OutputPath);
    }
    conversionLog_ = std::make_shared<LogMailbox>(LogModel::kMostLines);
    logDelivery_->start();
    RunInBackground(
        this,
        [request = std::move(request), mailbox = conversionLog_] {
            MailboxLog log(mailbox);
            return stepquill::ConvertChart(request, log);
        },
        [this](const stepquill::RunOutcome& outcome) { OnConversionEnded(outcome); });
}

void Form1::OnConversionEnded(const stepquill::RunOutcome& outcome) {
    logDelivery_->stop();
    conversionLog_->Deliver(*log_);
    conversionLog_.reset();
    // A stopped run's last line already gives its reason.
    if (outcome.Written && !outcome.OutputPath.empty())
        log_->Conclude("Wrote " + std::to_string(outcome.Records) + " records to " + outcome.OutputPath);
    Proceed();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == command1_ && event->type() == QEvent::KeyPress &&
        OpensContextMenu(*static_cast<QKeyEvent*>(event))) {
        // At the button's middle: from the keyboard, where the pointer happens
        // to be says nothing about the control the menu belongs to.
        const QPoint at = command1_->rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, command1_->mapToGlobal(at));
        QCoreApplication::sendEvent(command1_, &menu);
        return true;
    }
    if (watched == combo1_ && event->type() == QEvent::KeyPress) {
        // A closed chooser takes no Enter of its own; an open one keeps it
        // for picking an item and never passes it here.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnConvertClicked();
            return true;
        }
    }
    if (watched != text2_) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Swallowed either way, so the field never inserts dragged text.
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (FirstLocalFile(drag->mimeData()).isEmpty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = FirstLocalFile(drop->mimeData());
        if (path.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (OfferLibrary(path)) return true;
        text2_->setText(path);  // reads once through textChanged
        ReadChart();
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}
