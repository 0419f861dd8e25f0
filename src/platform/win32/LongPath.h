#pragma once

#include <string>

namespace tolvane::win32 {

// The \\?\ form of a full Windows path (C:\... or \\server\share\...), which the Win32 file
// functions take past MAX_PATH: slashes become backslashes, and a path already in that form,
// or one that is not full, is returned with its slashes turned only.
std::wstring LongPathForm(std::wstring fullPath);

}  // namespace tolvane::win32
