#pragma once

// The index levels of a BTree-on-heap ([MS-PST] 2.3.2) whose leaves are added at its end, as
// a contents table's RowIndex grows. An index item whose children are all full is full for
// good: it is allocated once, when it fills. Each header() writes anew only the items that
// can still change, the last of each level, so a write costs the tree's depth, not its size.
// The tree is the one writeBthIndex builds over the same leaves.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "pst/ltp/BthWriter.h"

namespace tolvane::pst::ltp {

class GrowingBthIndex {
  public:
    using Allocate = std::function<Hid(std::span<const std::uint8_t>)>;

    explicit GrowingBthIndex(BthShape shape);

    // A leaf no record will join (keys rising). An index item it fills goes through `allocate`.
    void addFullLeaf(std::span<const std::uint8_t> leaf, Hid hid, const Allocate& allocate);
    // The header of the tree over the full leaves and `lastLeaf` (none if empty). The last leaf
    // and the items over it go through `allocateAgain`; the caller frees them before the next.
    disk::BthHeader header(std::span<const std::uint8_t> lastLeaf, const Allocate& allocateAgain);

  private:
    BthShape shape_;
    std::size_t recordsPerItem_;
    // open_[k]: the index records of the full level-k items that no full item is over yet.
    std::vector<std::vector<std::uint8_t>> open_;
    // full_[k]: how many level-k items are full for good (level 0: the leaves).
    std::vector<std::size_t> full_;
};

}  // namespace tolvane::pst::ltp
