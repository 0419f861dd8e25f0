#include <windows.h>

#include <string>

#include "platform/ProgramFile.h"

namespace tolvane {

std::filesystem::path programFile() {
    // The longest path Windows has; a name that does not fit comes back cut, and is refused.
    std::wstring file(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, file.data(), static_cast<DWORD>(file.size()));
    if (length == 0 || length >= file.size()) {
        return {};
    }
    file.resize(length);
    return std::filesystem::path(file);
}

}  // namespace tolvane
