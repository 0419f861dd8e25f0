#pragma once

#include <string>
#include <string_view>

namespace tolvane::win32 {

// Text crosses the Win32 boundary as UTF-16; inside the program it is UTF-8. A name that holds
// a lone surrogate (NTFS allows it) keeps it as its three-byte form, so every name the system
// gives comes back to the system unchanged. Bytes that are no UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace tolvane::win32
