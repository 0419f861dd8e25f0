#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ndb/BlockStore.h"
#include "pst/ndb/Ids.h"

namespace tolvane::pst::ndb {

// Writes an XBLOCK or XXBLOCK over the children and takes their references.
Bid writeXBlock(BlockStore& blocks, std::uint8_t level, std::span<const Bid> children,
                std::uint64_t bytes);

// Builds the tree over a node's data blocks as they come ([MS-PST] 2.2.2.8.3.2): one block
// stands alone, up to 1021 go under an XBLOCK, more under an XXBLOCK of full XBLOCKs. Holds
// at most 1021 leaf and 1021 XBLOCK BIDs, whatever the size.
class DataTreeBuilder {
  public:
    explicit DataTreeBuilder(BlockStore& blocks) : blocks_(blocks) {}

    void addLeaf(Bid bid, std::uint32_t cb);
    // The root BID; at least one leaf must have been added.
    Bid finish();

    std::uint64_t totalBytes() const { return total_; }

  private:
    BlockStore& blocks_;
    std::vector<Bid> leaves_;
    std::uint64_t leafBytes_ = 0;
    std::vector<Bid> xblocks_;
    std::uint64_t total_ = 0;
};

}  // namespace tolvane::pst::ndb
