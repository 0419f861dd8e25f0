#include "pstcheck/ndb/Crc.h"

#include <zlib.h>

#include <algorithm>

namespace tolvane::pstcheck {

std::uint32_t pstCrc(Bytes bytes) {
    // zlib inverts seed and result; inverting both around it gives the PST variant.
    uLong crc = 0xFFFFFFFFUL;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<uInt>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        crc = crc32(crc, bytes.data() + done, chunk);
        done += chunk;
    }
    return static_cast<std::uint32_t>(crc ^ 0xFFFFFFFFUL);
}

std::uint16_t signature(std::uint64_t ib, std::uint64_t bid) {
    const auto v = static_cast<std::uint32_t>(ib ^ bid);
    return static_cast<std::uint16_t>((v >> 16) ^ (v & 0xFFFF));
}

}  // namespace tolvane::pstcheck
