#include "pst/ndb/Crc.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace tolvane::pst::ndb {

std::uint32_t computeCrc(std::span<const std::uint8_t> bytes) {
    // zlib inverts the seed on entry and the result on exit; undoing both yields seed 0 and no
    // final inversion. zlib takes at most uInt bytes per call.
    uLong crc = 0xFFFFFFFFu;
    while (!bytes.empty()) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), std::numeric_limits<uInt>::max());
        crc = crc32(crc, bytes.data(), static_cast<uInt>(n));
        bytes = bytes.subspan(n);
    }
    return static_cast<std::uint32_t>(crc ^ 0xFFFFFFFFu);
}

std::uint16_t computeSignature(ByteIndex ib, std::uint64_t bid) {
    const auto v = static_cast<std::uint32_t>(ib.value ^ bid);
    return static_cast<std::uint16_t>((v >> 16) ^ (v & 0xFFFF));
}

}  // namespace tolvane::pst::ndb
