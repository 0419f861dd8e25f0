#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "pst/ndb/PageWriter.h"
#include "pst/ndb/SpaceAllocator.h"

namespace tolvane::pst::ndb {

// A range the maps show free although the allocator holds it (a block no committed node
// reaches yet).
struct FreeRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// The allocation maps on disk ([MS-PST] 2.2.2.7.2 to 2.2.2.7.6) and the density list
// ([MS-PST] 2.2.2.7.4). It remembers what each section's AMap says as last written, so a commit
// rewrites only the AMaps of sections whose use changed, and the FMaps and the DList are
// made from those figures without reading the file.
class MapWriter {
  public:
    // Writes the AMaps of the given sections from the allocator's free extents, `alsoFree`
    // (sorted by offset) shown free too; new sections get their PMap and FPMap; then every
    // FMap covering a rewritten section.
    void writeSections(PageWriter& pages, const SpaceAllocator& space,
                       const std::set<std::uint64_t>& sections,
                       std::span<const FreeRange> alsoFree);
    // Maps of sections added at the end with nothing in them yet.
    void writeNewSections(PageWriter& pages, std::uint64_t firstSection, std::uint64_t count);
    // dlistBid: Outlook gives the DList the header's bidNextP without consuming it.
    void writeDList(PageWriter& pages, std::uint64_t dlistBid);

    // Free bytes over all AMaps as written.
    std::uint64_t freeBytes() const { return freeSlots_ * 64; }

  private:
    struct SectionFree {
        std::uint32_t freeSlots = 0;
        std::uint32_t longestRun = 0;
    };
    void writeAMap(PageWriter& pages, std::uint64_t section, const PageBytes& amap);
    void writeFMap(PageWriter& pages, std::uint64_t section);
    void setSummary(std::uint64_t section, SectionFree summary);

    std::vector<SectionFree> sections_;
    std::uint64_t freeSlots_ = 0;
};

}  // namespace tolvane::pst::ndb
