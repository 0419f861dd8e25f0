#pragma once

#include <string_view>

namespace tolvane::convert {

// Compares two UTF-8 strings as their UTF-16 code units, taken as unsigned 16-bit numbers:
// case-sensitive, no locale, a prefix before the longer string. This differs from UTF-8
// byte order only where a character above U+FFFF meets one of U+E000 to U+FFFF.
bool codeUnitLess(std::string_view a, std::string_view b) noexcept;

}  // namespace tolvane::convert
