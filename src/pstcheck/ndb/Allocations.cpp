#include "pstcheck/ndb/Allocations.h"

#include <algorithm>

namespace tolvane::pstcheck {

void Allocations::add(std::uint64_t ib, std::uint64_t size, std::string what) {
    ranges_.push_back({ib, size, std::move(what)});
    sorted_ = false;
}

const std::vector<Allocations::Range>& Allocations::sorted(Report& report) {
    if (sorted_) {
        return ranges_;
    }
    std::sort(ranges_.begin(), ranges_.end(),
              [](const Range& a, const Range& b) { return a.ib < b.ib; });
    for (std::size_t i = 1; i < ranges_.size(); ++i) {
        const Range& prev = ranges_[i - 1];
        if (ranges_[i].ib < prev.ib + prev.size) {
            report.add("ALLOCATION", "overlap",
                       ranges_[i].what + " overlaps " + prev.what + " (" + hex(prev.ib) + "+" +
                           hex(prev.size) + ")",
                       at(ranges_[i].ib));
        }
    }
    sorted_ = true;
    return ranges_;
}

}  // namespace tolvane::pstcheck
