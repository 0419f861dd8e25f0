#include "pst/ndb/MapWriter.h"

#include <algorithm>
#include <numeric>

#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/Layout.h"

namespace tolvane::pst::ndb {

using namespace layout;

void MapWriter::writeMaps() {
    const std::uint64_t count = space_.sectionCount();
    sections_.assign(count, {});
    const auto& extents = space_.freeExtents();
    auto next = extents.begin();
    for (std::uint64_t k = 0; k < count; ++k) {
        const std::uint64_t base = sectionStart(k);
        const std::uint64_t end = base + kSectionSize;
        // A set bit is a used 64-byte slot, most significant bit first ([MS-PST] 2.2.2.7.2).
        PageBytes amap{};
        std::fill_n(amap.begin(), 496, 0xFF);
        for (; next != extents.end() && next->first < end; ++next) {
            const std::uint64_t first = (next->first - base) / kSlotSize;
            const std::uint64_t last = (next->second - base) / kSlotSize;
            for (std::uint64_t slot = first; slot < last; ++slot) {
                amap[slot / 8] &= static_cast<std::uint8_t>(~(0x80u >> (slot % 8)));
            }
            // Free extents are kept merged, so each is a maximal run.
            sections_[k].freeSlots += static_cast<std::uint32_t>(last - first);
            sections_[k].longestRun =
                std::max(sections_[k].longestRun, static_cast<std::uint32_t>(last - first));
        }
        pages_.writeMapPage(base, amap, disk::value::kPageAMap);
        if (hasPMap(k)) {
            // Deprecated; Outlook marks every page as taken ([MS-PST] 2.2.2.7.3).
            PageBytes pmap{};
            std::fill_n(pmap.begin(), 496, 0xFF);
            pages_.writeMapPage(base + kPMapInSection, pmap, disk::value::kPagePMap);
        }
    }
    for (std::uint64_t k = 0; k < count; ++k) {
        if (hasFMap(k)) {
            writeFMap(k);
        }
        if (hasFPMap(k)) {
            // One bit per PMap; all PMaps claim no free page, as the header's rgbFP does.
            PageBytes fpmap{};
            std::fill_n(fpmap.begin(), 496, 0xFF);
            pages_.writeMapPage(sectionStart(k) + kFPMapInSection, fpmap, disk::value::kPageFPMap);
        }
    }
}

void MapWriter::writeFMap(std::uint64_t section) {
    // One byte per AMap from this section on: its longest free run in slots, at most 255
    // ([MS-PST] 2.2.2.7.5). AMaps past the end of the file read 0xFF, as the header's rgbFM.
    PageBytes fmap{};
    for (std::uint64_t i = 0; i < 496; ++i) {
        const std::uint64_t k = section + i;
        fmap[i] =
            k < sections_.size()
                ? static_cast<std::uint8_t>(std::min<std::uint32_t>(sections_[k].longestRun, 255))
                : 0xFF;
    }
    pages_.writeMapPage(sectionStart(section) + kFMapInSection, fmap, disk::value::kPageFMap);
}

void MapWriter::writeDList(std::uint64_t dlistBid) {
    // The current page is the last AMap, where the file grows; the others are listed from the
    // most free to the least, as Outlook lists them ([MS-PST] 2.2.2.7.4.2).
    disk::DListPage dlist;
    const std::uint32_t current = static_cast<std::uint32_t>(sections_.size() - 1);
    std::vector<std::uint32_t> order(current);
    std::iota(order.begin(), order.end(), 0u);
    std::erase_if(order, [&](std::uint32_t k) { return sections_[k].freeSlots == 0; });
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return sections_[a].freeSlots > sections_[b].freeSlots;
    });
    order.resize(std::min(order.size(), disk::value::kDListMaxEntries));
    dlist.cEntDList = static_cast<std::uint8_t>(order.size());
    dlist.bFlags = order.empty() ? 0 : disk::value::kDListFlagBackfillComplete;
    dlist.ulCurrentPage = current;
    for (std::size_t i = 0; i < order.size(); ++i) {
        // [MS-PST] 2.2.2.7.4.1: 20 bits of AMap index, 12 bits of free slots.
        dlist.rgDListPageEnt[i] = (order[i] & 0xFFFFFu) | (sections_[order[i]].freeSlots << 20);
    }
    auto bytes = disk::toBytes(dlist);
    pages_.writeDListPage(kDListOffset, bytes, dlistBid);
}

}  // namespace tolvane::pst::ndb
