#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tolvane::pst::ltp {

// UTF-8 to UTF-16LE as PtypString stores it ([MS-PST] 2.3.3.3: no terminator). Invalid or
// overlong sequences, surrogates and values above U+10FFFF become U+FFFD.
std::vector<std::uint8_t> utf16le(std::string_view utf8);

}  // namespace tolvane::pst::ltp
