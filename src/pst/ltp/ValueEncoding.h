#pragma once

// How property values look in a heap or subnode ([MS-PST] 2.3.3.3, 2.3.3.4): fixed sizes,
// UTF-16LE strings, multi-valued layouts.

#include <cstdint>
#include <vector>

#include "mapi/PropValue.h"

namespace tolvane::pst::ltp {

// Bytes of a fixed-size type; 0 for variable-size types (strings, binaries, objects, MV).
std::size_t fixedSize(mapi::PropType type);

// A value's bytes as stored out of line, or the low bytes of an inline value. Streams are read
// whole: callers pass large streams to a subnode without encoding them.
std::vector<std::uint8_t> encodeValue(const mapi::PropValue& value);

// The first up to 8 bytes of a fixed-size value, as a little-endian number.
std::uint64_t fixedBits(const mapi::PropValue& value);

}  // namespace tolvane::pst::ltp
