#pragma once

#include <cstdint>

#include "pstcheck/Bytes.h"

namespace tolvane::pstcheck {

// [MS-PST] 5.3: CRC-32 (reflected, 0xEDB88320) with seed 0 and no final inversion.
std::uint32_t pstCrc(Bytes bytes);

// [MS-PST] 5.5: signature of a block or page from its file offset and BID.
std::uint16_t signature(std::uint64_t ib, std::uint64_t bid);

}  // namespace tolvane::pstcheck
