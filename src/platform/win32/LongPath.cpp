#include "platform/win32/LongPath.h"

#include <algorithm>

namespace tolvane::win32 {

std::wstring LongPathForm(std::wstring fullPath) {
    std::replace(fullPath.begin(), fullPath.end(), L'/', L'\\');
    const auto startsWith = [&](std::wstring_view prefix) {
        return fullPath.compare(0, prefix.size(), prefix) == 0;
    };
    if (startsWith(L"\\\\?\\") || startsWith(L"\\\\.\\")) {
        return fullPath;
    }
    if (startsWith(L"\\\\")) {
        return L"\\\\?\\UNC\\" + fullPath.substr(2);
    }
    const bool drive = fullPath.size() >= 3 && fullPath[1] == L':' && fullPath[2] == L'\\' &&
                       ((fullPath[0] >= L'A' && fullPath[0] <= L'Z') ||
                        (fullPath[0] >= L'a' && fullPath[0] <= L'z'));
    return drive ? L"\\\\?\\" + fullPath : fullPath;
}

}  // namespace tolvane::win32
