#include "pst/ndb/MapWriter.h"

#include <algorithm>
#include <numeric>

#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/Layout.h"

namespace tolvane::pst::ndb {

using namespace layout;

namespace {

void clearSlots(PageBytes& amap, std::uint64_t base, std::uint64_t from, std::uint64_t to) {
    // A set bit is a used 64-byte slot, most significant bit first ([MS-PST] 2.2.2.7.2).
    // Whole bytes at a time between the ends: a new section clears nearly all of its slots.
    const auto clearOne = [&amap](std::uint64_t slot) {
        amap[slot / 8] &= static_cast<std::uint8_t>(~(0x80u >> (slot % 8)));
    };
    std::uint64_t slot = (from - base) / kSlotSize;
    const std::uint64_t end = (to - base) / kSlotSize;
    for (; slot < end && slot % 8 != 0; ++slot) {
        clearOne(slot);
    }
    for (; slot + 8 <= end; slot += 8) {
        amap[slot / 8] = 0;
    }
    for (; slot < end; ++slot) {
        clearOne(slot);
    }
}

std::uint64_t mapPagesEnd(std::uint64_t k) {
    std::uint64_t end = kPageSize;
    for (const auto& [present, at] :
         {std::pair{hasPMap(k), kPMapInSection}, std::pair{hasFMap(k), kFMapInSection},
          std::pair{hasFPMap(k), kFPMapInSection}}) {
        if (present) {
            end = at + kPageSize;
        }
    }
    return end;
}

PageBytes allTaken() {
    PageBytes page{};
    std::fill_n(page.begin(), 496, 0xFF);
    return page;
}

}  // namespace

void MapWriter::setSummary(std::uint64_t section, SectionFree summary) {
    if (section >= sections_.size()) {
        sections_.resize(section + 1);
    }
    freeSlots_ = freeSlots_ - sections_[section].freeSlots + summary.freeSlots;
    sections_[section] = summary;
}

void MapWriter::writeAMap(PageWriter& pages, std::uint64_t k, const PageBytes& bits) {
    PageBytes amap = bits;
    SectionFree summary;
    std::uint32_t run = 0;
    static_assert(kSlotsPerSection % 8 == 0);
    // A byte at a time where all eight slots are free or all used, as most are.
    for (std::uint64_t at = 0; at < kSlotsPerSection / 8; ++at) {
        const std::uint8_t bits = amap[at];
        if (bits == 0xFF) {
            run = 0;
            continue;
        }
        if (bits == 0) {
            run += 8;
            summary.freeSlots += 8;
            summary.longestRun = std::max(summary.longestRun, run);
            continue;
        }
        for (unsigned bit = 0; bit < 8; ++bit) {
            const bool used = (bits & (0x80u >> bit)) != 0;
            run = used ? 0 : run + 1;
            summary.freeSlots += used ? 0 : 1;
            summary.longestRun = std::max(summary.longestRun, run);
        }
    }
    setSummary(k, summary);
    pages.writeMapPage(sectionStart(k), amap, disk::value::kPageAMap);
}

void MapWriter::writeSections(PageWriter& pages, const SpaceAllocator& space,
                              const std::set<std::uint64_t>& sections,
                              std::span<const FreeRange> alsoFree) {
    const auto& extents = space.freeExtents();
    std::set<std::uint64_t> fmaps;
    for (std::uint64_t k : sections) {
        const std::uint64_t base = sectionStart(k);
        const std::uint64_t end = base + kSectionSize;
        PageBytes amap = allTaken();
        // Free extents never cross a section: each starts with its AMap, always taken.
        for (auto it = extents.lower_bound(base); it != extents.end() && it->first < end; ++it) {
            clearSlots(amap, base, it->first, it->second);
        }
        auto free =
            std::lower_bound(alsoFree.begin(), alsoFree.end(), base,
                             [](const FreeRange& r, std::uint64_t at) { return r.offset < at; });
        for (; free != alsoFree.end() && free->offset < end; ++free) {
            clearSlots(amap, base, free->offset, free->offset + free->size);
        }
        if (k >= sections_.size()) {
            writeNewSections(pages, k, 1);
        }
        writeAMap(pages, k, amap);
        if (k >= kFirstFMapSection) {
            fmaps.insert(k - (k - kFirstFMapSection) % kSectionsPerFMap);
        }
    }
    for (std::uint64_t k : fmaps) {
        writeFMap(pages, k);
    }
}

void MapWriter::writeNewSections(PageWriter& pages, std::uint64_t first, std::uint64_t count) {
    std::set<std::uint64_t> fmaps;
    for (std::uint64_t k = first; k < first + count; ++k) {
        const std::uint64_t base = sectionStart(k);
        PageBytes amap = allTaken();
        clearSlots(amap, base, base + mapPagesEnd(k), base + kSectionSize);
        if (hasPMap(k)) {
            // Deprecated; Outlook marks every page as taken ([MS-PST] 2.2.2.7.3).
            PageBytes pmap = allTaken();
            pages.writeMapPage(base + kPMapInSection, pmap, disk::value::kPagePMap);
        }
        if (hasFPMap(k)) {
            // One bit per PMap; all PMaps claim no free page, as the header's rgbFP does.
            PageBytes fpmap = allTaken();
            pages.writeMapPage(base + kFPMapInSection, fpmap, disk::value::kPageFPMap);
        }
        writeAMap(pages, k, amap);
        if (k >= kFirstFMapSection) {
            fmaps.insert(k - (k - kFirstFMapSection) % kSectionsPerFMap);
        }
    }
    for (std::uint64_t k : fmaps) {
        writeFMap(pages, k);
    }
}

void MapWriter::dropSections(std::uint64_t count) {
    while (sections_.size() > count) {
        freeSlots_ -= sections_.back().freeSlots;
        sections_.pop_back();
    }
}

void MapWriter::writeLastFMap(PageWriter& pages) {
    const std::uint64_t last = sections_.size() - 1;
    if (last >= kFirstFMapSection) {
        writeFMap(pages, last - (last - kFirstFMapSection) % kSectionsPerFMap);
    }
}

void MapWriter::writeFMap(PageWriter& pages, std::uint64_t section) {
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
    pages.writeMapPage(sectionStart(section) + kFMapInSection, fmap, disk::value::kPageFMap);
}

void MapWriter::writeDList(PageWriter& pages, std::uint64_t dlistBid) {
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
    pages.writeDListPage(kDListOffset, bytes, dlistBid);
}

}  // namespace tolvane::pst::ndb
