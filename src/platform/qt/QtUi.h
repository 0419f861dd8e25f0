#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/Ui.h"

namespace tolvane::qtui {

// The UI seam over Qt: QMessageBox, QFileDialog, the application's override cursor,
// QCoreApplication::processEvents and QDesktopServices.
class QtUi : public Ui {
  public:
    // The window that owns the modal dialogs; may be set after the window exists.
    void setOwner(QWidget* owner) { owner_ = owner; }

    MsgResult messageBox(const MessageBoxRequest& request) override;
    std::string browseForFolder(const std::string& title) override;
    std::string openFiles(const FileOpenRequest& request) override;
    void setWaitCursor(bool waiting) override;
    void doEvents() override;
    void openUrl(const std::string& target) override;

  private:
    QPointer<QWidget> owner_;
};

}  // namespace tolvane::qtui
