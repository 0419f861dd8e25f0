#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pstcheck/Bytes.h"

namespace tolvane::pstcheck {

// Property types ([MS-OXCDATA] 2.11.1) as far as the PST layout needs them.
// Size of a fixed-size type, nothing for variable-size ones.
std::optional<std::size_t> fixedSize(std::uint16_t type);
bool knownType(std::uint16_t type);
bool multiValued(std::uint16_t type);
// [MS-PST] 2.3.3.3: a PC holds values of at most four bytes in dwValueHnid itself.
bool inlineValue(std::uint16_t type);

// UTF-16LE without terminator to UTF-8 (unpaired surrogates become U+FFFD).
std::string utf8(Bytes utf16);

}  // namespace tolvane::pstcheck
