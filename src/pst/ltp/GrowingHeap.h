#pragma once

// A heap on node ([MS-PST] 2.3.1) that lives from one commit to the next: items are added at
// its end and a write replaces only the blocks that changed since the last one. Blocks no
// longer changing leave memory once written; what stays is block 0 (header and fill levels),
// the last block, the bitmap blocks over those and the blocks of items marked to be replaced.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "pst/ltp/GrowingDataTree.h"
#include "pst/ltp/HeapBlock.h"
#include "pst/ndb/BlockWriter.h"

namespace tolvane::pst::ltp {

class GrowingHeap {
  public:
    explicit GrowingHeap(std::uint8_t clientSig);

    // Adds an item (at most 3580 bytes) into a block still in memory, or a new one.
    Hid allocate(std::span<const std::uint8_t> bytes);
    // An item of a block still in memory, to change in place.
    std::span<std::uint8_t> item(Hid hid);
    // Frees an item of a block still in memory: its HID stays, with no bytes ([MS-PST]
    // 2.3.1.5 cFree).
    void free(Hid hid);
    // Keeps the item's block in memory after the next write, so the item can be freed later.
    void pin(Hid hid) { pinned_.push_back(hid.block()); }
    void setUserRoot(Hid root) { heap_.userRoot = root; }

    // Writes the blocks that changed and returns the root of the heap's data tree.
    ndb::Bid write(ndb::BlockWriter& db);
    std::uint64_t totalBytes() const { return tree_.totalBytes(); }

  private:
    struct Block {
        std::unique_ptr<HeapBlock> content;  // null once written and no longer changing
        std::uint8_t fill = 0;
        bool dirty = true;
    };
    HeapBlock& content(std::uint32_t block, const char* what);
    void startBlock();

    HeapIdentity heap_;
    std::vector<Block> blocks_;
    // The blocks still in memory, in order: a table of a million rows has thousands of
    // blocks, and an item that does not fit the last one looked through all of them.
    std::vector<std::uint32_t> held_;
    std::vector<std::uint32_t> pinned_;
    GrowingDataTree tree_;
};

}  // namespace tolvane::pst::ltp
