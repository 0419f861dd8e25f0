#pragma once

// The data tree of a node that grows at its end ([MS-PST] 2.2.2.8.3.2): the leaves' BIDs,
// and the XBLOCKs over each 1021 of them kept from one write to the next, so a write replaces
// only the XBLOCKs whose leaves changed and the XXBLOCK above them.

#include <cstdint>
#include <vector>

#include "pst/ndb/BlockWriter.h"

namespace tolvane::pst::ltp {

class GrowingDataTree {
  public:
    // Sets leaf i (i == size() appends).
    void set(std::size_t i, ndb::Bid bid, std::uint32_t bytes);
    std::size_t size() const { return leaves_.size(); }
    std::uint64_t totalBytes() const { return total_; }
    // The root over the leaves as they stand (one leaf is its own root), writing what changed.
    ndb::Bid root(ndb::BlockWriter& db);

  private:
    struct Group {
        ndb::Bid xblock;
        bool dirty = true;
    };
    std::vector<ndb::Bid> leaves_;
    std::vector<std::uint32_t> sizes_;
    std::vector<Group> groups_;
    ndb::Bid root_;
    bool rootDirty_ = true;
    std::uint64_t total_ = 0;
};

}  // namespace tolvane::pst::ltp
