#include "platform/win32/SystemPath.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/LongPath.h"
#include "platform/win32/WideText.h"

namespace tolvane::win32 {

std::wstring SystemPath(const std::string& utf8Path) {
    return SystemPath(Widen(utf8Path));
}

std::wstring SystemPath(std::wstring path) {
    if (path.size() < kPlainPathLimit) {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        return path;
    }
    // The full path: \\?\ turns off the system's own resolving of "." and "..".
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return LongPathForm(std::move(path));
    }
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return LongPathForm(std::move(path));
    }
    full.resize(written);
    return LongPathForm(std::move(full));
}

}  // namespace tolvane::win32
