#include "pstcheck/ndb/MapRebuild.h"

#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {
namespace {

// The map pages a section starts with: the AMap, then PMap, FMap and FPMap at their own
// places where the section has them [2.2.2.7.2 - 2.2.2.7.6].
void addMapPages(std::uint64_t k, Allocations& allocations) {
    const std::uint64_t base = fmt::kFirstAMap + k * fmt::kAMapCoverage;
    allocations.add(base, fmt::kPageSize, "AMap " + hex(base));
    if (k % fmt::kAMapsPerPMap == 0) {
        allocations.add(base + 0x200, fmt::kPageSize, "PMap " + hex(base + 0x200));
    }
    if (k >= fmt::kFMapFirstSection && (k - fmt::kFMapFirstSection) % fmt::kAMapsPerFMap == 0) {
        allocations.add(base + 0x400, fmt::kPageSize, "FMap " + hex(base + 0x400));
    }
    if (k >= fmt::kFPMapFirstSection && (k - fmt::kFPMapFirstSection) % fmt::kAMapsPerFPMap == 0) {
        allocations.add(base + 0x600, fmt::kPageSize, "FPMap " + hex(base + 0x600));
    }
}

}  // namespace

void checkMapRebuild(const Header& header, Allocations& allocations, Report& report) {
    const std::uint64_t eof = header.root.ibFileEof;
    const std::uint64_t sections =
        eof > fmt::kFirstAMap ? (eof - fmt::kFirstAMap) / fmt::kAMapCoverage : 0;
    for (std::uint64_t k = 0; k < sections; ++k) {
        addMapPages(k, allocations);
    }
    // Overlaps, map pages included, are reported as the ranges are sorted.
    for (const Allocations::Range& range : allocations.sorted(report)) {
        if (range.ib < fmt::kFirstAMap || range.ib + range.size > eof) {
            report.add(
                "ALLOCATION", "range",
                range.what + " lies outside the AMap sections [0x4400, ibFileEof " + hex(eof) + ")",
                at(range.ib));
        }
    }
}

}  // namespace tolvane::pstcheck
