#pragma once

#include <string>

#include "platform/AppTitle.h"
#include "platform/Ui.h"

namespace tolvane {

// The program's kinds of message box, each titled with the application title; a caller that
// needs another title (the conversion's "Outlook Error") sets it on the request.

// An icon (or none) and OK.
inline MessageBoxRequest OkBox(std::string text, MsgIcon icon) {
    MessageBoxRequest box;
    box.text = std::move(text);
    box.title = kAppTitle;
    box.icon = icon;
    return box;
}

// Question icon, Yes and No, Yes the default.
inline MessageBoxRequest QuestionBox(std::string text) {
    MessageBoxRequest box = OkBox(std::move(text), MsgIcon::Question);
    box.buttons = MsgButtons::YesNo;
    box.defaultButton = MsgResult::Yes;
    return box;
}

inline MessageBoxRequest WarningBox(std::string text) {
    return OkBox(std::move(text), MsgIcon::Exclamation);
}

inline MessageBoxRequest InformationBox(std::string text) {
    return OkBox(std::move(text), MsgIcon::Information);
}

inline MessageBoxRequest PlainBox(std::string text) {
    return OkBox(std::move(text), MsgIcon::None);
}

}  // namespace tolvane
