#include "app/frmStep1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <exception>

#include "app/AppFonts.h"
#include "app/HelpManual.h"
#include "app/Twips.h"
#include "queue/AddFilesCommand.h"
#include "queue/AddFolderCommand.h"
#include "queue/AsAppError.h"
#include "queue/ClearFilesCommand.h"
#include "queue/MessageBoxes.h"
#include "shell/ShellHelpers.h"

namespace tolvane::app {
namespace {

constexpr char kCopyright[] = "Copyright \u00A9 2026 The Tolvane authors. Free to use and share.";
const QColor kWhite(255, 255, 255);
const QColor kBandBorder(192, 192, 192);
const QColor kTitleRed(192, 0, 0);

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* label(const QString& text, QWidget* parent) {
    auto* control = new QLabel(text, parent);
    control->setTextFormat(Qt::PlainText);
    return control;
}

void paintWhite(QWidget* control) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, kWhite);
    control->setPalette(palette);
    control->setAutoFillBackground(true);
}

}  // namespace

frmStep1::frmStep1(Ui& ui, queue::ViewSettingsStore& viewSettings, QWidget* parent)
    : QWidget(parent),
      ui_(ui),
      viewSettings_(viewSettings),
      c_(buildControls()),
      fileQueue_(
          *c_.grdFiles1, [this](const std::string& caption) { c_.lblCount1->setText(qs(caption)); },
          workingPathList_) {
    Form_Load();
}

void frmStep1::Form_Initialize() {
    // The window's look comes from Qt's style; what stays to do before any control exists is
    // to make the controls' font available.
    ControlFontFamily();
}

frmStep1::Controls frmStep1::buildControls() {
    Form_Initialize();
    setWindowTitle(QString::fromLatin1(kCaption));
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        icon.addFile(QStringLiteral(":/tolvane/icon-%1.png").arg(size), QSize(size, size));
    }
    setWindowIcon(icon);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(ControlFont());
    setFixedSize(TwipsToPixels(8175), TwipsToPixels(6135));

    Controls c{};
    // The two white bands come first, so every other control lies in front of them.
    c.Shape2 = new FilledRectangle(kWhite, kBandBorder, this);
    c.Shape2->setGeometry(TwipsRect(-120, 0, 8415, 855));
    c.Shape1 = new FilledRectangle(kWhite, kBandBorder, this);
    c.Shape1->setGeometry(TwipsRect(0, 5520, 8415, 855));

    c.Image1 = new QLabel(this);
    c.Image1->setPixmap(QPixmap(QStringLiteral(":/tolvane/logo.png")));
    c.Image1->setGeometry(TwipsRect(120, 75, 720, 720));

    c.lblTitle = label(QStringLiteral("Tolvane"), this);
    c.lblTitle->setFont(TitleFont());
    paintWhite(c.lblTitle);
    QPalette titlePalette = c.lblTitle->palette();
    titlePalette.setColor(QPalette::WindowText, kTitleRed);
    c.lblTitle->setPalette(titlePalette);
    c.lblTitle->setGeometry(TwipsRect(960, 120, 6255, 375));

    c.lblCopyright = label(QString::fromUtf8(kCopyright), this);
    paintWhite(c.lblCopyright);
    QPalette copyrightPalette = c.lblCopyright->palette();
    copyrightPalette.setColor(QPalette::WindowText, Qt::black);
    c.lblCopyright->setPalette(copyrightPalette);
    c.lblCopyright->setGeometry(TwipsRect(960, 480, 6135, 255));

    c.cmdAdd = new QPushButton(QStringLiteral("Add Zimbra Mail File(s)..."), this);
    c.cmdAdd->setGeometry(TwipsRect(240, 960, 2415, 375));
    c.CmdAddFolder =
        new QPushButton(QStringLiteral("Add Folder having Zimbra Mail File(s)..."), this);
    c.CmdAddFolder->setGeometry(TwipsRect(2880, 960, 3135, 375));
    c.cmdClear1 = new QPushButton(QStringLiteral("Clear File(s)..."), this);
    c.cmdClear1->setGeometry(TwipsRect(6240, 960, 1695, 375));

    c.lblCount1 = label(QString(), this);
    c.lblCount1->setGeometry(TwipsRect(270, 1560, 7695, 255));

    c.grdFiles1 = new FlexGrid(this);
    c.grdFiles1->setGeometry(TwipsRect(240, 1800, 7695, 1575));

    c.FrameConversion = new QGroupBox(QStringLiteral("Details"), this);
    c.FrameConversion->setGeometry(TwipsRect(240, 3480, 7695, 1335));
    // The caption sits on the frame's top line, as a classic frame draws it, so the rows
    // inside keep their places below it.
    c.FrameConversion->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid rgb(192,192,192); border-radius: 3px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    c.LblCurrentDBX = label(QStringLiteral("Converting Messages..."), c.FrameConversion);
    c.LblCurrentDBX->setGeometry(TwipsRect(120, 240, 7455, 255));
    c.LblProgessCurrent = label(QStringLiteral("Message 0 (of 0)"), c.FrameConversion);
    c.LblProgessCurrent->setGeometry(TwipsRect(1800, 600, 5775, 255));
    c.Label1 = label(QStringLiteral("Conversion Progress  : "), c.FrameConversion);
    c.Label1->setGeometry(TwipsRect(120, 960, 1695, 255));
    c.ProgressBar1 = new ProgressBarControl(c.FrameConversion);
    c.ProgressBar1->setGeometry(TwipsRect(1800, 960, 5775, 255));

    c.CmdExtractDBX = new QPushButton(QString::fromLatin1(kConvertCaption), this);
    c.CmdExtractDBX->setGeometry(TwipsRect(2880, 4920, 2415, 435));
    c.CmdExtractDBX->setEnabled(false);

    c.Picture3 = new QWidget(this);
    paintWhite(c.Picture3);
    c.Picture3->setGeometry(TwipsRect(240, 5640, 7695, 495));
    c.CmdHelp = new QPushButton(QStringLiteral("&Help Manual"), c.Picture3);
    c.CmdHelp->setGeometry(TwipsRect(0, 0, 1695, 375));
    c.cmdEnd = new QPushButton(QStringLiteral("E&xit"), c.Picture3);
    c.cmdEnd->setGeometry(TwipsRect(6360, 0, 1335, 375));

    const auto connectClick = [this](QPushButton* button, void (frmStep1::*handler)()) {
        QObject::connect(button, &QPushButton::clicked, this,
                         [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });
    };
    connectClick(c.cmdAdd, &frmStep1::cmdAdd_Click);
    connectClick(c.CmdAddFolder, &frmStep1::CmdAddFolder_Click);
    connectClick(c.cmdClear1, &frmStep1::cmdClear1_Click);
    connectClick(c.CmdExtractDBX, &frmStep1::CmdExtractDBX_Click);
    connectClick(c.CmdHelp, &frmStep1::CmdHelp_Click);
    connectClick(c.cmdEnd, &frmStep1::cmdEnd_Click);

    // Set on each control, not only inherited: a style sheet would otherwise hand the frame's
    // rows the application's font.
    for (QWidget* control : findChildren<QWidget*>()) {
        if (control != c.lblTitle) {
            control->setFont(ControlFont());
        }
    }
    chainTabOrder(c);
    c.cmdAdd->setFocus();
    return c;
}

void frmStep1::chainTabOrder(const Controls& c) {
    QWidget::setTabOrder(c.cmdAdd, c.cmdClear1);
    QWidget::setTabOrder(c.cmdClear1, c.CmdAddFolder);
    QWidget::setTabOrder(c.CmdAddFolder, c.grdFiles1);
    QWidget::setTabOrder(c.grdFiles1, c.CmdExtractDBX);
    QWidget::setTabOrder(c.CmdExtractDBX, c.cmdEnd);
    QWidget::setTabOrder(c.cmdEnd, c.CmdHelp);
    // Only the buttons and the grid take focus.
    for (QWidget* passive :
         std::initializer_list<QWidget*>{c.FrameConversion, c.Picture3, c.ProgressBar1}) {
        passive->setFocusPolicy(Qt::NoFocus);
    }
}

void frmStep1::Form_Load() {
    c_.grdFiles1->ColWidth(0, queue::FileQueue::kColumnWidthTwips);
}

void frmStep1::cmdAdd_Click() {
    queue::AddMessageFiles(*this, viewSettings_);
}

void frmStep1::CmdAddFolder_Click() {
    queue::AddFolder(*this);
}

void frmStep1::cmdClear1_Click() {
    queue::ClearFiles(*this);
}

void frmStep1::CmdExtractDBX_Click() {
    if (converting_) {
        if (stopJob_) {
            stopJob_();
        }
        return;
    }
    if (convertJob_) {
        convertJob_();
    }
}

void frmStep1::CmdHelp_Click() {
    const std::string url = HelpManualUrl().toStdString();
    if (!url.empty() && shell::OpenDocument(ui_, url)) {
        return;
    }
    const std::string where = HelpManualPath().toStdString();
    ui_.messageBox(queue::WarningBox(
        url.empty() ? "The Help manual was not found. It is help.html, beside the program or "
                      "in the docs folder of its source."
                    : "No browser could open the Help manual. You can open it yourself: " + where));
}

void frmStep1::cmdEnd_Click() {
    if (ui_.messageBox(queue::QuestionBox(kExitQuestion)) == MsgResult::Yes) {
        Unload();
    }
}

void frmStep1::Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    hide();
    QCoreApplication::exit(0);
}

void frmStep1::setConvertEnabled(bool enabled) {
    c_.CmdExtractDBX->setEnabled(enabled);
}

std::int64_t frmStep1::rowCount() const {
    return c_.grdFiles1->Rows();
}

std::string frmStep1::selectRow(std::int64_t row) {
    return fileQueue_.SelectRow(row);
}

std::optional<FileStamp> frmStep1::queuedStamp(std::int64_t row) const {
    return fileQueue_.QueuedStamp(row);
}

void frmStep1::runStarted() {
    converting_ = true;
    c_.ProgressBar1->SetRange(0, 100);
    c_.CmdExtractDBX->setText(QString::fromLatin1(kStopCaption));
    c_.CmdExtractDBX->setEnabled(true);
}

void frmStep1::runProgressed(const convert::JobProgress& progress) {
    c_.FrameConversion->setTitle(qs("Details : Converting - (" + std::to_string(progress.done) +
                                    " of " + std::to_string(progress.total) + ") file(s)"));
    c_.LblCurrentDBX->setText(qs("Converting Messages... from (" + progress.folder + ")"));
    const auto value = static_cast<float>(static_cast<double>(progress.done) /
                                          static_cast<double>(progress.total) * 100.0);
    c_.ProgressBar1->SetValue(std::clamp(value, 0.0f, 100.0f));
}

void frmStep1::runEnded(const convert::RunResult& result) {
    converting_ = false;
    c_.CmdExtractDBX->setText(QString::fromLatin1(kConvertCaption));
    // A run that took up messages leaves Convert disabled until files are queued again.
    c_.CmdExtractDBX->setEnabled(result.taken == 0);
}

void frmStep1::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void frmStep1::closeEvent(QCloseEvent* event) {
    // The close box never asks and is never refused.
    event->accept();
    Unload();
}

void frmStep1::runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        if (!unloaded_) {
            ui_.messageBox(queue::WarningBox(queue::AsAppError(failure).numberColonDescription()));
        }
    }
}

}  // namespace tolvane::app
