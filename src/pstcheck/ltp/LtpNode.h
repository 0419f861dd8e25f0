#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pstcheck/Report.h"
#include "pstcheck/ltp/Heap.h"
#include "pstcheck/ndb/BlockSource.h"

namespace tolvane::pstcheck {

// A node (or subnode) seen by the LTP layer: its heap plus its subnodes, so that an HNID
// can be followed to a heap item or a subnode stream ([MS-PST] 2.3.3.2).
class LtpNode {
  public:
    static std::optional<LtpNode> open(BlockSource& blocks, std::uint64_t bidData,
                                       std::uint64_t bidSub, const std::string& where,
                                       Report& report);

    const Heap& heap() const { return heap_; }
    const SubnodeMap& subnodes() const { return subnodes_; }
    const std::string& where() const { return heap_.where(); }
    BlockSource& blocks() const { return *blocks_; }

    // Checks that an HNID names something: 0 (empty), a heap item, or a subnode of this node.
    bool resolvable(std::uint32_t hnid) const;
    // The bytes an HNID names (a subnode is read whole).
    std::optional<std::vector<std::uint8_t>> value(std::uint32_t hnid) const;
    // The size an HNID names, without reading a subnode's blocks.
    std::optional<std::uint64_t> size(std::uint32_t hnid) const;

  private:
    LtpNode(Heap heap, SubnodeMap subnodes, BlockSource& blocks)
        : heap_(std::move(heap)), subnodes_(std::move(subnodes)), blocks_(&blocks) {}

    Heap heap_;
    SubnodeMap subnodes_;
    BlockSource* blocks_;
};

}  // namespace tolvane::pstcheck
