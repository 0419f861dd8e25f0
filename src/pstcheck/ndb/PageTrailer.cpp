#include "pstcheck/ndb/PageTrailer.h"

#include "pstcheck/ndb/Crc.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {

std::optional<Bytes> checkPage(Bytes file, std::uint64_t ib, const PageExpectation& want,
                               Report& r) {
    const std::string where = at(ib);
    if (ib % fmt::kPageSize != 0 || ib > file.size() || file.size() - ib < fmt::kPageSize) {
        r.add(want.structure, "ib", "page offset " + hex(ib) + " is unaligned or past the end",
              where);
        return std::nullopt;
    }
    const Bytes page = file.subspan(ib, fmt::kPageSize);
    const std::size_t t = fmt::kPageTrailerOffset;
    const std::uint8_t ptype = u8(page, t);
    const std::uint64_t bid = u64(page, t + 8);
    if (ptype != want.ptype) {
        r.add(want.structure, "ptype", "is " + hex(ptype) + ", expected " + hex(want.ptype), where);
    }
    if (u8(page, t + 1) != ptype) {
        r.add(want.structure, "ptypeRepeat",
              "is " + hex(u8(page, t + 1)) + ", ptype is " + hex(ptype), where);
    }
    const std::uint16_t sig = want.signed_ ? signature(ib, bid) : 0;
    if (u16(page, t + 2) != sig) {
        r.add(want.structure, "wSig", "is " + hex(u16(page, t + 2)) + ", expected " + hex(sig),
              where);
    }
    const std::uint32_t crc = pstCrc(page.first(t));
    if (u32(page, t + 4) != crc) {
        r.add(want.structure, "dwCRC", "is " + hex(u32(page, t + 4)) + ", expected " + hex(crc),
              where);
    }
    if (want.bid && bid != *want.bid) {
        r.add(want.structure, "bid", "is " + hex(bid) + ", expected " + hex(*want.bid), where);
    }
    return page;
}

}  // namespace tolvane::pstcheck
