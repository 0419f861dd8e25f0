#pragma once

#include <string>
#include <vector>

namespace tolvane {

enum class MsgIcon { None, Question, Exclamation, Information, Critical };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };

struct MessageBoxRequest {
    std::string text;
    std::string title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgResult defaultButton = MsgResult::Ok;
    std::string details;  // extra text behind a "Show Details" button; empty for none
};

struct FileOpenRequest {
    std::string title;
    std::string filter;  // "Description (*.ext)|*.ext"
    bool multiSelect = true;
    bool showHidden = false;
    std::size_t maxFileBuffer = 0;  // result capacity in characters; 0 for no limit
    std::size_t maxFiles = 0;       // result capacity in files; 0 for no limit
};

// Every modal interaction and every yield of a handler goes through this seam, so handlers
// run headless in tests against a scripted double.
class Ui {
  public:
    virtual ~Ui() = default;

    virtual MsgResult messageBox(const MessageBoxRequest& request) = 0;
    // A directory-only picker; the chosen folder's native path, or "" when cancelled.
    virtual std::string browseForFolder(const std::string& title) = 0;
    // The file-open dialog's result in its raw form: "", one full path, or
    // folder NUL name NUL name ... Throws AppError 20476 when the selection exceeds capacity.
    virtual std::string openFiles(const FileOpenRequest& request) = 0;
    virtual void setWaitCursor(bool waiting) = 0;
    // Lets the window process pending events (repaint, clicks).
    virtual void doEvents() = 0;
    // Hands a path or address to the desktop; false when nothing there could open it.
    virtual bool openUrl(const std::string& target) = 0;
};

}  // namespace tolvane
