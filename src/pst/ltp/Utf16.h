#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tolvane::pst::ltp {

// UTF-8 to UTF-16LE as PtypString stores it ([MS-PST] 2.3.3.3: no terminator). Bytes that
// are not UTF-8 become U+FFFD by the program's one rule (text/Utf8.h).
std::vector<std::uint8_t> utf16le(std::string_view utf8);

}  // namespace tolvane::pst::ltp
