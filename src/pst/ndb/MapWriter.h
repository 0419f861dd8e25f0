#pragma once

#include <cstdint>

#include "pst/ndb/PageWriter.h"
#include "pst/ndb/SpaceAllocator.h"

namespace tolvane::pst::ndb {

// Writes every allocation map page from the allocator's free extents ([MS-PST] 2.2.2.7.2 to
// 2.2.2.7.6) and the density list ([MS-PST] 2.2.2.7.4). Called once the last page of a commit
// is placed, so the maps describe exactly what the header will point at.
class MapWriter {
  public:
    MapWriter(PageWriter& pages, const SpaceAllocator& space) : pages_(pages), space_(space) {}

    void writeMaps();
    // dlistBid: Outlook gives the DList the header's bidNextP without consuming it.
    void writeDList(std::uint64_t dlistBid);

  private:
    struct SectionFree {
        std::uint32_t freeSlots = 0;
        std::uint32_t longestRun = 0;
    };
    void writeFMap(std::uint64_t section);

    PageWriter& pages_;
    const SpaceAllocator& space_;
    std::vector<SectionFree> sections_;
};

}  // namespace tolvane::pst::ndb
