#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pst/ndb/DiskStructs.h"
#include "pst/ndb/PstFile.h"
#include "pst/ndb/SpaceAllocator.h"

namespace tolvane::pst::ndb {

using PageBytes = std::array<std::uint8_t, 512>;

// Seals 512-byte pages with their PAGETRAILER ([MS-PST] 2.2.2.7.1) and writes them: B-tree
// pages get a fresh page BID from bidNextP and a signature; map pages carry their own offset as
// BID and no signature.
class PageWriter {
  public:
    PageWriter(PstFile& file, SpaceAllocator& space, std::uint64_t& nextPageBid)
        : file_(file), space_(space), nextPageBid_(nextPageBid) {}

    // Places a B-tree page anywhere free; returns where, and remembers it in `placed`.
    disk::Bref writeBTreePage(PageBytes& page, std::uint8_t ptype);
    void writeMapPage(std::uint64_t offset, PageBytes& page, std::uint8_t ptype);
    // The DList page carries a page BID and a signature like a B-tree page ([MS-PST] 2.2.2.7.4).
    void writeDListPage(std::uint64_t offset, PageBytes& page, std::uint64_t bid);

    const std::vector<std::uint64_t>& placed() const { return placed_; }

  private:
    void seal(PageBytes& page, std::uint8_t ptype, std::uint16_t sig, std::uint64_t bid);

    PstFile& file_;
    SpaceAllocator& space_;
    std::uint64_t& nextPageBid_;
    std::vector<std::uint64_t> placed_;
};

}  // namespace tolvane::pst::ndb
