#include "platform/qt/QtUi.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <chrono>

#include "platform/AppError.h"
#include "platform/qt/FileSelection.h"

namespace tolvane::qtui {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QMessageBox::Icon qtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MsgResult QtUi::messageBox(const MessageBoxRequest& request) {
    QMessageBox box(qtIcon(request.icon), qs(request.title), qs(request.text),
                    QMessageBox::NoButton, owner_);
    if (!request.details.empty()) {
        box.setDetailedText(qs(request.details));
    }
    if (request.buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultButton == MsgResult::No ? QMessageBox::No
                                                                    : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgResult::Ok;
}

std::string QtUi::browseForFolder(const std::string& title) {
    const QString folder =
        QFileDialog::getExistingDirectory(owner_, qs(title), QString(), QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(folder).toStdString();
}

std::string QtUi::openFiles(const FileOpenRequest& request) {
    QFileDialog dialog(owner_, qs(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    QStringList nameFilters;
    for (const auto& nameFilter : QtNameFiltersOf(request.filter)) {
        nameFilters << qs(nameFilter);
    }
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
    }
    if (request.showHidden) {
        // Only Qt's own dialog honours the filter; a native one keeps the desktop's setting.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFilter(dialog.filter() | QDir::Hidden);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }

    std::vector<std::string> chosen;
    for (const QString& file : dialog.selectedFiles()) {
        chosen.push_back(QDir::toNativeSeparators(file).toStdString());
    }
    const auto tooLarge = [] {
        return AppError(errc::kDialogResultTooLarge, "The buffer for the file names is too small");
    };
    if (request.maxFiles != 0 && chosen.size() > request.maxFiles) {
        throw tooLarge();
    }
    std::string result = FileOpenResultOf(chosen, QDir::separator().toLatin1());
    if (request.maxFileBuffer != 0 &&
        static_cast<std::size_t>(QString::fromStdString(result).size()) > request.maxFileBuffer) {
        throw tooLarge();
    }
    return result;
}

void QtUi::setWaitCursor(bool waiting) {
    // One application-wide pointer, as a single setting: no stack of nested cursors.
    if (waiting) {
        if (QApplication::overrideCursor() == nullptr) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::changeOverrideCursor(Qt::WaitCursor);
        }
        return;
    }
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

void QtUi::doEvents() {
    if (lastYieldMs_ && nowMs() - *lastYieldMs_ < kYieldIntervalMs) {
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    lastYieldMs_ = nowMs();
}

std::int64_t QtUi::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool QtUi::openUrl(const std::string& target) {
    return QDesktopServices::openUrl(QUrl::fromUserInput(qs(target)));
}

}  // namespace tolvane::qtui
