#include "pst/ndb/PageWriter.h"

#include <algorithm>

#include "pst/ndb/Crc.h"
#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/Layout.h"

namespace tolvane::pst::ndb {

disk::Bref PageWriter::writeBTreePage(PageBytes& page, std::uint8_t ptype) {
    const std::uint64_t ib = space_.allocate(layout::kPageSize, layout::kPageSize);
    const std::uint64_t bid = nextPageBid_++;
    seal(page, ptype, computeSignature(ByteIndex{ib}, bid), bid);
    try {
        file_.write(ib, page);
    } catch (...) {
        space_.release(ib, layout::kPageSize);
        throw;
    }
    placed_.push_back(ib);
    return disk::Bref{bid, ib};
}

void PageWriter::writeMapPage(std::uint64_t offset, PageBytes& page, std::uint8_t ptype) {
    seal(page, ptype, 0, offset);
    file_.write(offset, page);
}

void PageWriter::writeDListPage(std::uint64_t offset, PageBytes& page, std::uint64_t bid) {
    seal(page, disk::value::kPageDList, computeSignature(ByteIndex{offset}, bid), bid);
    file_.write(offset, page);
}

void PageWriter::seal(PageBytes& page, std::uint8_t ptype, std::uint16_t sig, std::uint64_t bid) {
    disk::PageTrailer trailer;
    trailer.ptype = ptype;
    trailer.ptypeRepeat = ptype;
    trailer.wSig = sig;
    trailer.dwCRC = computeCrc(std::span(page).first(496));
    trailer.bid = bid;
    disk::writeAt(std::span(page).subspan(496), trailer);
}

}  // namespace tolvane::pst::ndb
