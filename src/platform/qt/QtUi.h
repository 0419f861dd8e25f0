#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>

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

  protected:
    // Milliseconds on a steady clock, for the yield interval. A test steps a clock of its own
    // here to decide exactly which yields run the event loop.
    virtual std::int64_t nowMs() const;

  private:
    QPointer<QWidget> owner_;
    std::optional<std::int64_t> lastYieldMs_;
};

}  // namespace tolvane::qtui
