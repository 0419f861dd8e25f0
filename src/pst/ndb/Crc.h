#pragma once

#include <cstdint>
#include <span>

#include "pst/ndb/Ids.h"

namespace tolvane::pst::ndb {

// The PST CRC-32 ([MS-PST] 5.3): the reflected 0xEDB88320 table with seed 0 and no final
// inversion, so the CRC of zero bytes is 0.
std::uint32_t computeCrc(std::span<const std::uint8_t> bytes);

// wSig of a block or B-tree/DList page: the file offset XORed with the BID, folded to
// 16 bits ([MS-PST] 5.5).
std::uint16_t computeSignature(ByteIndex ib, std::uint64_t bid);

}  // namespace tolvane::pst::ndb
