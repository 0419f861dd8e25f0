#pragma once

#include <string>

#include "platform/AppTitle.h"
#include "platform/Ui.h"

namespace tolvane::queue {

// The program's three kinds of message box, each titled with the application title.

// Question icon, Yes and No, Yes the default.
inline MessageBoxRequest QuestionBox(std::string text) {
    MessageBoxRequest box;
    box.text = std::move(text);
    box.title = kAppTitle;
    box.icon = MsgIcon::Question;
    box.buttons = MsgButtons::YesNo;
    box.defaultButton = MsgResult::Yes;
    return box;
}

// Exclamation icon and OK.
inline MessageBoxRequest WarningBox(std::string text) {
    MessageBoxRequest box;
    box.text = std::move(text);
    box.title = kAppTitle;
    box.icon = MsgIcon::Exclamation;
    return box;
}

// No icon, OK.
inline MessageBoxRequest PlainBox(std::string text) {
    MessageBoxRequest box;
    box.text = std::move(text);
    box.title = kAppTitle;
    return box;
}

}  // namespace tolvane::queue
