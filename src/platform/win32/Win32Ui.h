#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/Ui.h"

namespace tolvane::win32 {

// The UI seam over Win32: MessageBoxW, SHBrowseForFolderW, GetOpenFileNameW, the wait cursor,
// a message-pump step for the yield, ShellExecuteW "open".
//
// doEvents pumps at most once every kYieldIntervalMs, so a loop that yields per item repaints
// and answers clicks a hundred times a second rather than paying for a pump per item.
class Win32Ui : public Ui {
  public:
    // The window that owns the modal dialogs; may be set after the window exists.
    void setOwner(HWND owner) { owner_ = owner; }

    MsgResult messageBox(const MessageBoxRequest& request) override;
    std::string browseForFolder(const std::string& title) override;
    std::string openFiles(const FileOpenRequest& request) override;
    void setWaitCursor(bool waiting) override;
    void doEvents() override;
    bool openUrl(const std::string& target) override;

    // Whether the wait cursor is up: the window shows it over itself while it is.
    bool waiting() const noexcept { return waiting_; }

    static constexpr std::uint64_t kYieldIntervalMs = 10;
    // Room for this many full paths in the file-open dialog's buffer.
    static constexpr std::size_t kBufferPaths = 1000;

  private:
    HWND owner_ = nullptr;
    bool waiting_ = false;
    std::uint64_t lastYield_ = 0;
};

}  // namespace tolvane::win32
