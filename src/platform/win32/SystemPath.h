#pragma once

#include <cstddef>
#include <string>

namespace tolvane::win32 {

// Paths this long or longer reach the Win32 file functions in the \\?\ form (MAX_PATH, less
// room for a file name below a folder).
inline constexpr std::size_t kPlainPathLimit = 260 - 12;

// What the system is handed for a path: backslashes, and the \\?\ form of its full path when
// it is too long for the plain one.
std::wstring SystemPath(const std::string& utf8Path);
std::wstring SystemPath(std::wstring path);

}  // namespace tolvane::win32
