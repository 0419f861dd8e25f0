#include "win32app/HelpManual.h"

#include <windows.h>

#include <string>

#include "platform/win32/WideText.h"

namespace tolvane::win32app {
namespace {

bool isFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::string HelpManualPath() {
    std::wstring program(32768, L'\0');
    const DWORD length =
        GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    program.resize(length);
    const auto slash = program.find_last_of(L"\\/");
    const std::wstring beside =
        (slash == std::wstring::npos ? std::wstring() : program.substr(0, slash + 1)) +
        L"help.html";
    if (isFile(beside)) {
        return win32::Narrow(beside);
    }
    const std::wstring source = win32::Widen(TOLVANE_HELP_MANUAL_SOURCE);
    return isFile(source) ? win32::Narrow(source) : std::string();
}

}  // namespace tolvane::win32app
