#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include "platform/Ui.h"

namespace tolvane::qtui {

// The UI seam over Qt: QMessageBox, QFileDialog, the application's override cursor,
// QCoreApplication::processEvents and QDesktopServices.
//
// doEvents lets the event loop run at most once every kYieldIntervalMs: a loop that yields
// per item then repaints and answers clicks a hundred times a second instead of repainting
// the window for every item, which would cost far more than the item itself.
class QtUi : public Ui {
  public:
    // The window that owns the modal dialogs; may be set after the window exists.
    void setOwner(QWidget* owner) { owner_ = owner; }

    MsgResult messageBox(const MessageBoxRequest& request) override;
    std::string browseForFolder(const std::string& title) override;
    std::string openFiles(const FileOpenRequest& request) override;
    void setWaitCursor(bool waiting) override;
    void doEvents() override;
    bool openUrl(const std::string& target) override;

    static constexpr int kYieldIntervalMs = 10;

  private:
    QPointer<QWidget> owner_;
    QElapsedTimer sinceLastYield_;
};

}  // namespace tolvane::qtui
