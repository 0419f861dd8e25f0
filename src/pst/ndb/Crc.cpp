#include "pst/ndb/Crc.h"

#ifdef TOLVANE_HAVE_ISAL
#include <isa-l/crc.h>
#else
#include <zlib.h>
#endif

#include <algorithm>
#include <limits>

namespace tolvane::pst::ndb {

std::uint32_t computeCrc(std::span<const std::uint8_t> bytes) {
#ifdef TOLVANE_HAVE_ISAL
    // Same convention as zlib's below, without the length limit.
    return crc32_gzip_refl(0xFFFFFFFFu, bytes.data(), bytes.size()) ^ 0xFFFFFFFFu;
#else
    // zlib inverts the seed on entry and the result on exit; undoing both yields seed 0 and no
    // final inversion. zlib takes at most uInt bytes per call.
    uLong crc = 0xFFFFFFFFu;
    while (!bytes.empty()) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), std::numeric_limits<uInt>::max());
        crc = crc32(crc, bytes.data(), static_cast<uInt>(n));
        bytes = bytes.subspan(n);
    }
    return static_cast<std::uint32_t>(crc ^ 0xFFFFFFFFu);
#endif
}

std::uint16_t computeSignature(ByteIndex ib, std::uint64_t bid) {
    const auto v = static_cast<std::uint32_t>(ib.value ^ bid);
    return static_cast<std::uint16_t>((v >> 16) ^ (v & 0xFFFF));
}

}  // namespace tolvane::pst::ndb
