#include "pstcheck/ndb/AllocationMaps.h"

#include <algorithm>
#include <vector>

#include "pstcheck/ndb/Format.h"
#include "pstcheck/ndb/PageTrailer.h"

namespace tolvane::pstcheck {
namespace {

constexpr std::uint64_t kSlotsPerAMap = fmt::kAMapCoverage / fmt::kSlot;  // 3968
constexpr int kReportedSlotsPerMap = 4;

// Map pages of section k. Each kind has its own slot after the AMap, whether the kinds before
// it are there or not: PMap +0x200 [2.2.2.7.3], FMap +0x400, FPMap +0x600 (the FMap and FPMap
// places are derived from their coverage, as other PST libraries place them; unconfirmed).
struct SectionPages {
    bool pmap, fmap, fpmap;
};
constexpr std::uint64_t kPMapSlot = 0x200, kFMapSlot = 0x400, kFPMapSlot = 0x600;
SectionPages sectionPages(std::uint64_t k) {
    return {
        k % fmt::kAMapsPerPMap == 0,
        k >= fmt::kFMapFirstSection && (k - fmt::kFMapFirstSection) % fmt::kAMapsPerFMap == 0,
        k >= fmt::kFPMapFirstSection && (k - fmt::kFPMapFirstSection) % fmt::kAMapsPerFPMap == 0};
}

bool amapBit(Bytes amap, std::uint64_t slot) {
    // Bit order is MSB-first within each byte (what Outlook writes).
    return (u8(amap, slot / 8) & (0x80u >> (slot % 8))) != 0;
}

class MapChecker {
  public:
    MapChecker(Bytes file, const Header& h, Report& r) : file_(file), h_(h), r_(r) {
        sections_ = file.size() > fmt::kFirstAMap
                        ? (file.size() - fmt::kFirstAMap) / fmt::kAMapCoverage
                        : 0;
        used_.assign(sections_ * kSlotsPerAMap, false);
    }

    void run(Allocations& allocations) {
        for (std::uint64_t k = 0; k < sections_; ++k) {
            const std::uint64_t base = sectionBase(k);
            const SectionPages pages = sectionPages(k);
            markUsed(base, fmt::kPageSize, "AMap");
            for (const auto& [present, slot] :
                 {std::pair{pages.pmap, kPMapSlot}, std::pair{pages.fmap, kFMapSlot},
                  std::pair{pages.fpmap, kFPMapSlot}}) {
                if (present) {
                    markUsed(base + slot, fmt::kPageSize, "map page");
                }
            }
        }
        for (const auto& range : allocations.sorted(r_)) {
            markUsed(range.ib, range.size, range.what);
        }
        std::uint64_t freeSlots = 0;
        std::vector<std::uint64_t> freePerMap(sections_, 0);
        for (std::uint64_t k = 0; k < sections_; ++k) {
            freePerMap[k] = checkAMap(k);
            freeSlots += freePerMap[k];
            checkMapPages(k);
        }
        if (h_.root.cbAMapFree != freeSlots * fmt::kSlot) {
            r_.add("ROOT", "cbAMapFree",
                   "is " + hex(h_.root.cbAMapFree) + ", the AMaps have " + hex(freeSlots * 64) +
                       " free bytes",
                   at(fmt::kRootOffset + 20));
        }
        if (h_.root.cbPMapFree != pmapFreePages_ * fmt::kPageSize) {
            r_.add("ROOT", "cbPMapFree",
                   "is " + hex(h_.root.cbPMapFree) + ", the PMaps have " +
                       hex(pmapFreePages_ * fmt::kPageSize) + " free bytes",
                   at(fmt::kRootOffset + 28));
        }
        checkDList(freePerMap);
    }

  private:
    static std::uint64_t sectionBase(std::uint64_t k) {
        return fmt::kFirstAMap + k * fmt::kAMapCoverage;
    }

    void markUsed(std::uint64_t ib, std::uint64_t size, const std::string& what) {
        if (ib < fmt::kFirstAMap || ib + size > fmt::kFirstAMap + used_.size() * fmt::kSlot) {
            r_.add("ALLOCATION", "range", what + " lies outside the mapped sections", at(ib));
            return;
        }
        const std::uint64_t first = (ib - fmt::kFirstAMap) / fmt::kSlot;
        const std::uint64_t last = (ib - fmt::kFirstAMap + size + fmt::kSlot - 1) / fmt::kSlot;
        std::fill(used_.begin() + static_cast<std::ptrdiff_t>(first),
                  used_.begin() + static_cast<std::ptrdiff_t>(last), true);
    }

    std::uint64_t checkAMap(std::uint64_t k) {
        const std::uint64_t base = sectionBase(k);
        const auto page = checkPage(file_, base, {"AMAP", fmt::kAMap, false, base}, r_);
        if (!page) {
            return 0;
        }
        std::uint64_t freeSlots = 0;
        int markedFree = 0, markedUsed = 0;
        for (std::uint64_t s = 0; s < kSlotsPerAMap; ++s) {
            const bool bit = amapBit(*page, s);
            const bool used = used_[k * kSlotsPerAMap + s];
            freeSlots += bit ? 0 : 1;
            if (bit == used) {
                continue;
            }
            int& count = used ? markedFree : markedUsed;
            const std::string where = "AMap " + hex(base) + ", slot " + std::to_string(s) + " " +
                                      at(base + s * fmt::kSlot);
            if (used && ++count <= kReportedSlotsPerMap) {
                r_.add("AMAP", "bit", "slot in use is marked free", where);
            } else if (!used && ++count == 1) {
                // Only leaks space; older Outlook files carry such slots.
                r_.tolerate("AMAP", "bit", "slot marked in use holds nothing", where);
            }
        }
        if (markedFree > kReportedSlotsPerMap) {
            r_.add("AMAP", "bits", std::to_string(markedFree) + " used slots marked free in all",
                   "AMap " + hex(base));
        }
        return freeSlots;
    }

    std::uint64_t longestFreeRun(std::uint64_t k) const {
        std::uint64_t best = 0, run = 0;
        for (std::uint64_t s = 0; s < kSlotsPerAMap; ++s) {
            run = used_[k * kSlotsPerAMap + s] ? 0 : run + 1;
            best = std::max(best, run);
        }
        return best;
    }

    void checkMapPages(std::uint64_t k) {
        const SectionPages pages = sectionPages(k);
        const std::uint64_t base = sectionBase(k);
        if (pages.pmap) {
            const std::uint64_t ib = base + kPMapSlot;
            if (const auto page = checkPage(file_, ib, {"PMAP", fmt::kPMap, false, ib}, r_)) {
                checkPMap(*page, k, ib);
            }
        }
        if (pages.fmap) {
            const std::uint64_t ib = base + kFMapSlot;
            const auto page = checkPage(file_, ib, {"FMAP", fmt::kFMap, false, ib}, r_);
            // Each byte: the longest run of free slots of one AMap, capped at 255 [2.2.2.7.5].
            const std::uint64_t first = k;
            for (std::uint64_t i = 0; page && i < fmt::kAMapBytes && first + i < sections_; ++i) {
                const std::uint64_t want = std::min<std::uint64_t>(longestFreeRun(first + i), 255);
                if (u8(*page, i) != want) {
                    r_.add("FMAP", "entry",
                           "AMap " + std::to_string(first + i) + " is " +
                               std::to_string(u8(*page, i)) + ", expected " + std::to_string(want),
                           at(ib));
                }
            }
        }
        if (pages.fpmap) {
            const std::uint64_t ib = base + kFPMapSlot;
            checkPage(file_, ib, {"FPMAP", fmt::kFPMap, false, ib}, r_);
        }
    }

    // [2.2.2.7.3] one bit per 512-byte page of the next eight sections; 0 = free page.
    void checkPMap(Bytes page, std::uint64_t k, std::uint64_t ib) {
        constexpr std::uint64_t kSlotsPerPage = fmt::kPageSize / fmt::kSlot;
        const std::uint64_t firstSlot = k * kSlotsPerAMap;
        for (std::uint64_t p = 0; p < fmt::kAMapBytes * 8; ++p) {
            if ((u8(page, p / 8) & (0x80u >> (p % 8))) != 0) {
                continue;
            }
            ++pmapFreePages_;
            const std::uint64_t slot = firstSlot + p * kSlotsPerPage;
            if (slot + kSlotsPerPage <= used_.size() &&
                std::any_of(used_.begin() + static_cast<std::ptrdiff_t>(slot),
                            used_.begin() + static_cast<std::ptrdiff_t>(slot + kSlotsPerPage),
                            [](bool u) { return u; })) {
                r_.add("PMAP", "bit", "page in use is marked free",
                       "PMap " + hex(ib) + ", page " + std::to_string(p) + " " +
                           at(fmt::kFirstAMap + slot * fmt::kSlot));
            }
        }
    }

    void checkDList(const std::vector<std::uint64_t>& freePerMap) {
        const Bytes page = slice(file_, fmt::kDListOffset, fmt::kPageSize);
        if (std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; })) {
            // Optional [2.2.2.7.4]; Outlook since 2007 SP2 writes one, older files lack it.
            r_.tolerate("DLIST", "missing", "no DList page", at(fmt::kDListOffset));
            return;
        }
        if (!checkPage(file_, fmt::kDListOffset, {"DLIST", fmt::kDList, true, std::nullopt}, r_)) {
            return;
        }
        const std::uint8_t cEnt = u8(page, 1);
        const std::uint32_t current = u32(page, 4);
        const std::string where = at(fmt::kDListOffset);
        if (cEnt > 476 / 4) {
            r_.add("DLIST", "cEntDList", "is " + std::to_string(cEnt) + ", at most 119", where);
            return;
        }
        if (cEnt > 0 && current >= sections_) {
            r_.add("DLIST", "ulCurrentPage",
                   "is " + std::to_string(current) + " of " + std::to_string(sections_) + " AMaps",
                   where);
        }
        std::uint32_t previousFree = 0xFFFFFFFF;
        for (std::size_t i = 0; i < cEnt; ++i) {
            const std::uint32_t entry = u32(page, 8 + 4 * i);
            const std::uint32_t amap = entry & 0xFFFFF, freeSlots = entry >> 20;
            const std::string at_ = where + ", entry " + std::to_string(i);
            if (amap >= sections_) {
                r_.add("DLIST", "dwPageNum", "AMap " + std::to_string(amap) + " does not exist",
                       at_);
                continue;
            }
            if (freeSlots != freePerMap[amap]) {
                r_.add("DLIST", "dwFreeSlots",
                       "AMap " + std::to_string(amap) + " says " + std::to_string(freeSlots) +
                           ", AMap has " + std::to_string(freePerMap[amap]),
                       at_);
            }
            if (freeSlots > previousFree) {
                r_.add("DLIST", "order", "entries not by decreasing free space", at_);
            }
            previousFree = freeSlots;
        }
    }

    Bytes file_;
    const Header& h_;
    Report& r_;
    std::uint64_t sections_ = 0;
    std::vector<bool> used_;
    std::uint64_t pmapFreePages_ = 0;
};

}  // namespace

std::uint64_t amapFreeBytes(Bytes file) {
    std::uint64_t freeSlots = 0;
    for (std::uint64_t ib = fmt::kFirstAMap; ib + fmt::kPageSize <= file.size();
         ib += fmt::kAMapCoverage) {
        for (std::uint64_t s = 0; s < kSlotsPerAMap; ++s) {
            freeSlots += amapBit(file.subspan(ib, fmt::kAMapBytes), s) ? 0 : 1;
        }
    }
    return freeSlots * fmt::kSlot;
}

void checkAllocationMaps(Bytes file, const Header& header, Allocations& allocations,
                         Report& report) {
    MapChecker(file, header, report).run(allocations);
}

}  // namespace tolvane::pstcheck
