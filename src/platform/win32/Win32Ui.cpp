#include "platform/win32/Win32Ui.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "platform/AppError.h"
#include "platform/win32/FileOpenBuffer.h"
#include "platform/win32/WideText.h"

namespace tolvane::win32 {
namespace {

UINT iconFlag(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Question:
            return MB_ICONQUESTION;
        case MsgIcon::Exclamation:
            return MB_ICONEXCLAMATION;
        case MsgIcon::Information:
            return MB_ICONINFORMATION;
        case MsgIcon::Critical:
            return MB_ICONERROR;
        case MsgIcon::None:
            break;
    }
    return 0;
}

AppError resultTooLarge() {
    return AppError(errc::kDialogResultTooLarge, "The buffer for the file names is too small");
}

}  // namespace

MsgResult Win32Ui::messageBox(const MessageBoxRequest& request) {
    // A message box has no details button; the details follow the text.
    std::string text = request.text;
    if (!request.details.empty()) {
        text += "\r\n\r\n" + request.details;
    }
    UINT flags = iconFlag(request.icon) | MB_TASKMODAL;
    if (request.buttons == MsgButtons::YesNo) {
        flags |=
            MB_YESNO | (request.defaultButton == MsgResult::No ? MB_DEFBUTTON2 : MB_DEFBUTTON1);
    } else {
        flags |= MB_OK;
    }
    const int chosen =
        MessageBoxW(owner_, Widen(text).c_str(), Widen(request.title).c_str(), flags);
    if (request.buttons == MsgButtons::YesNo) {
        return chosen == IDYES ? MsgResult::Yes : MsgResult::No;
    }
    return MsgResult::Ok;
}

std::string Win32Ui::browseForFolder(const std::string& title) {
    const std::wstring wideTitle = Widen(title);
    BROWSEINFOW info{};
    info.hwndOwner = owner_;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = nullptr;
    info.lParam = 0;
    info.iImage = 0;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr) {
        return {};
    }
    // Long paths fit: the buffer is the size of the longest path the system takes.
    std::wstring path(32768, L'\0');
    const BOOL found =
        SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(chosen);
    if (!found) {
        return {};
    }
    path.resize(path.find(L'\0'));
    return Narrow(path);
}

std::string Win32Ui::openFiles(const FileOpenRequest& request) {
    std::size_t capacity = request.maxFileBuffer;
    if (capacity == 0) {
        const std::size_t paths = request.maxFiles != 0 ? request.maxFiles : kBufferPaths;
        capacity = (paths + 1) * (MAX_PATH + 1);
    }
    std::vector<wchar_t> buffer(capacity + 2, L'\0');  // FileName starts empty
    const std::wstring filter = DialogFilterOf(request.filter);
    const std::wstring title = Widen(request.title);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(capacity);
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = OFN_EXPLORER | (request.multiSelect ? OFN_ALLOWMULTISELECT : 0) |
                   (request.showHidden ? OFN_FORCESHOWHIDDEN : 0);
    if (!GetOpenFileNameW(&dialog)) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
            throw resultTooLarge();
        }
        return {};  // cancelled, or the dialog failed: nothing chosen
    }
    const FileOpenSelection selection =
        SelectionOfBuffer(std::wstring_view(buffer.data(), buffer.size()));
    if (request.maxFiles != 0 && selection.files > request.maxFiles) {
        throw resultTooLarge();
    }
    return selection.result;
}

void Win32Ui::setWaitCursor(bool waiting) {
    waiting_ = waiting;
    SetCursor(LoadCursorW(nullptr, waiting ? IDC_WAIT : IDC_ARROW));
}

void Win32Ui::doEvents() {
    const std::uint64_t now = GetTickCount64();
    if (lastYield_ != 0 && now - lastYield_ < kYieldIntervalMs) {
        return;
    }
    lastYield_ = now;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the main loop, which ends the program once the handler has stopped.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (owner_ == nullptr || !IsDialogMessageW(owner_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool Win32Ui::openUrl(const std::string& target) {
    // Values above 32 mean the shell found a program for the target.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", Widen(target).c_str(), L"", L"", SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace tolvane::win32
