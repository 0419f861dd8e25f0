#include "app/qt/QtWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "app/Twips.h"
#include "app/qt/AppFonts.h"
#include "app/qt/FilledRectangle.h"
#include "app/qt/GridView.h"
#include "app/qt/ProgressBarControl.h"

namespace tolvane::app {
namespace {

QColor colourOf(const Rgb& rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QRect pixelsOf(const TwipsRect& place) {
    return QRect(TwipsToPixels(place.left), TwipsToPixels(place.top), TwipsToPixels(place.width),
                 TwipsToPixels(place.height));
}

}  // namespace

QtWindow::QtWindow(Ui& ui, ViewSettingsStore& viewSettings, std::filesystem::path helpManual,
                   QWidget* parent)
    : frmStep1(ui, viewSettings, std::move(helpManual)), QWidget(parent) {
    Form_Initialize();
    buildControls();
    Form_Load();
    QObject::connect(&stopWatch_, &QTimer::timeout, this, [this] { StopWatch_Timer(); });
    stopWatch_.start(kStopWatchMs);
}

void QtWindow::Form_Initialize() {
    // The window's look comes from Qt's style; what stays to do before any control exists is
    // to make the controls' font available.
    ControlFontFamily();
}

void QtWindow::buildControls() {
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        icon.addFile(QStringLiteral(":/tolvane/icon-%1.png").arg(size), QSize(size, size));
    }
    setWindowIcon(icon);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(ControlFont());
    setFixedSize(TwipsToPixels(kClientWidthTwips), TwipsToPixels(kClientHeightTwips));

    for (int k = 0; k < kControlCount; ++k) {
        const ControlEntry& entry = kLayout[k];
        QWidget* parent = entry.parent == kNoParent ? this : widgets_[entry.parent];
        QWidget* control = create(static_cast<Control>(k), parent);
        control->setGeometry(pixelsOf(entry.place));
        QPalette palette = control->palette();
        if (entry.text != nullptr) {
            palette.setColor(QPalette::WindowText, colourOf(*entry.text));
        }
        if (entry.background != nullptr && entry.kind != ControlKind::Band) {
            palette.setColor(QPalette::Window, colourOf(*entry.background));
            control->setAutoFillBackground(true);
        }
        control->setPalette(palette);
        if (entry.kind == ControlKind::Band) {
            control->lower();
        }
        widgets_[k] = control;
    }

    // Set on each widget, not only inherited: a style sheet would otherwise hand the frame's
    // rows the application's font.
    for (QWidget* widget : findChildren<QWidget*>()) {
        widget->setFont(ControlFont());
    }
    for (int k = 0; k < kControlCount; ++k) {
        widgets_[k]->setFont(QtFont(*kLayout[k].font));
    }
    chainTabOrder();
}

QWidget* QtWindow::create(Control which, QWidget* parent) {
    const ControlEntry& entry = kLayout[which];
    const QString caption = QString::fromUtf8(entry.caption);
    switch (entry.kind) {
        case ControlKind::Band:
            return new FilledRectangle(colourOf(*entry.background), colourOf(kBandBorder), parent);
        case ControlKind::Image: {
            auto* image = new QLabel(parent);
            image->setPixmap(QPixmap(QStringLiteral(":/tolvane/logo.png")));
            return image;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(caption, parent);
            label->setTextFormat(Qt::PlainText);
            return label;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, parent);
            QObject::connect(button, &QPushButton::clicked, this, [this, which] { Click(which); });
            return button;
        }
        case ControlKind::Grid:
            return new GridView(grid(), parent);
        case ControlKind::Frame: {
            auto* frame = new QGroupBox(caption, parent);
            // The caption sits on the frame's top line, as a classic frame draws it, so the
            // rows inside keep their places below it.
            frame->setStyleSheet(QStringLiteral(
                "QGroupBox { border: 1px solid rgb(192,192,192); border-radius: 3px; "
                "margin-top: 6px; }"
                "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
            return frame;
        }
        case ControlKind::ProgressBar:
            return new ProgressBarControl(parent);
        case ControlKind::Container:
            return new QWidget(parent);
    }
    return new QWidget(parent);
}

void QtWindow::chainTabOrder() {
    const auto order = TabOrder();
    for (std::size_t k = 1; k < order.size(); ++k) {
        QWidget::setTabOrder(widgets_[order[k - 1]], widgets_[order[k]]);
    }
    for (int k = 0; k < kControlCount; ++k) {
        if (kLayout[k].tab == kNoTab) {
            widgets_[k]->setFocusPolicy(Qt::NoFocus);
        }
    }
    widgets_[order.front()]->setFocus();
}

void QtWindow::showCaption(Control which, const std::string& caption) {
    const QString text = QString::fromStdString(caption);
    if (auto* button = control<QPushButton>(which)) {
        button->setText(text);
    } else if (auto* label = control<QLabel>(which)) {
        label->setText(text);
    } else if (auto* frame = control<QGroupBox>(which)) {
        frame->setTitle(text);
    }
}

void QtWindow::enableControl(Control which, bool enabled) {
    widgets_[which]->setEnabled(enabled);
}

void QtWindow::showProgress(float percent) {
    control<ProgressBarControl>(ProgressBar1)->SetValue(percent);
}

void QtWindow::endEventLoop() {
    hide();
    QCoreApplication::exit(0);
}

void QtWindow::showEvent(QShowEvent* event) {
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

void QtWindow::closeEvent(QCloseEvent* event) {
    // The close box never asks and is never refused.
    event->accept();
    Unload();
}

}  // namespace tolvane::app
