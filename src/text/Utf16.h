#pragma once

// UTF-8 to UTF-16, the one encoder: PST strings, entry identifiers and calendar blobs all take
// their UTF-16 from here. Bytes that are not UTF-8 become U+FFFD by the rule in text/Utf8.h.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::text {

// As little-endian bytes, no terminator: PtypString on disk ([MS-PST] 2.3.3.3).
std::vector<std::uint8_t> utf16le(std::string_view utf8);

// As code units, no terminator.
std::u16string utf16Of(std::string_view utf8);

}  // namespace tolvane::text
