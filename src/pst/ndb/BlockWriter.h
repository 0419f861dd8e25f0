#pragma once

// What the LTP layer writes a node's content with: data blocks and the trees over them, and
// subnode trees ([MS-PST] 2.2.2.8). Setting the node itself is the NodeDatabase's.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "pst/ndb/Ids.h"

namespace tolvane::pst::ndb {

// Most bytes one data block holds ([MS-PST] 2.2.2.8.3.1: 8192 less the 16-byte trailer).
inline constexpr std::size_t kMaxBlockData = 8176;

// One entry of a subnode tree (SLENTRY, [MS-PST] 2.2.2.8.3.3.1.1).
struct SubnodeEntry {
    Nid nid;
    Bid data;
    Bid subnodes;  // Bid{} for none
};

// Appends one large value block by block, so it never has to be held whole in memory.
class DataStream {
  public:
    virtual ~DataStream() = default;
    virtual void append(std::span<const std::uint8_t> bytes) = 0;
    virtual std::uint64_t size() const = 0;
    // Writes the XBLOCK/XXBLOCK tree over the blocks appended and returns the root BID.
    // An empty stream still yields one (empty) data block.
    virtual Bid finish() = 0;
};

class BlockWriter {
  public:
    virtual ~BlockWriter() = default;

    // Stores a node's data given block by block (each at most kMaxBlockData bytes, as a heap
    // on node needs it); several blocks go under an XBLOCK or XXBLOCK. Returns the root BID.
    // As in Outlook's files, every block but the last is stored full: a shorter one is padded
    // with zeros to kMaxBlockData (after a heap block's page map, where Outlook leaves unused
    // bytes too), so the tree's total counts the padding.
    virtual Bid writeBlocks(std::span<const std::vector<std::uint8_t>> blocks) = 0;
    // Stores a node's data cut into blocks of kMaxBlockData bytes.
    virtual Bid writeData(std::span<const std::uint8_t> bytes) = 0;
    virtual std::unique_ptr<DataStream> beginData() = 0;
    // One data block of at most kMaxBlockData bytes, for a tree built piece by piece.
    virtual Bid writeBlock(std::span<const std::uint8_t> data) = 0;
    // An XBLOCK (level 1, over data blocks) or XXBLOCK (level 2, over XBLOCKs) over blocks
    // already written ([MS-PST] 2.2.2.8.3.2); totalBytes is what the leaves hold.
    virtual Bid writeIndexBlock(std::uint8_t level, std::span<const Bid> children,
                                std::uint64_t totalBytes) = 0;
    // Writes a subnode tree (SLBLOCK, or SIBLOCK over SLBLOCKs); entries in any order, NIDs
    // unique. No entries give Bid{} (no subnode tree), since an SLBLOCK holds at least one.
    virtual Bid writeSubnodes(std::span<const SubnodeEntry> entries) = 0;
};

}  // namespace tolvane::pst::ndb
