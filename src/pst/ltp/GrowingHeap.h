#pragma once

// A heap on node ([MS-PST] 2.3.1) that lives from one commit to the next: items are added at
// its end and a write replaces only the blocks that changed since the last one. Blocks no
// longer changing leave memory once written; what stays is block 0 (header and fill levels),
// the last block, the bitmap blocks over those and the blocks of items marked to be replaced.

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "pst/ltp/GrowingDataTree.h"
#include "pst/ltp/LtpStructures.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::ltp {

class GrowingHeap {
  public:
    explicit GrowingHeap(std::uint8_t clientSig);

    // Adds an item (at most kMaxHeapItem bytes) into a block still in memory, or a new one.
    Hid allocate(std::span<const std::uint8_t> bytes);
    // An item of a block still in memory, to change in place.
    std::span<std::uint8_t> item(Hid hid);
    // Frees an item of a block still in memory: its HID stays, with no bytes ([MS-PST]
    // 2.3.1.5 cFree).
    void free(Hid hid);
    // Keeps the item's block in memory after the next write, so the item can be freed later.
    void pin(Hid hid) { pinned_.push_back(hid.block()); }
    void setUserRoot(Hid root) { userRoot_ = root; }

    // Writes the blocks that changed and returns the root of the heap's data tree.
    ndb::Bid write(ndb::NodeDatabase& db);
    std::uint64_t totalBytes() const { return tree_.totalBytes(); }

  private:
    struct Content {
        std::vector<std::uint8_t> bytes;  // header and items, no page map
        std::vector<std::uint16_t> starts;
    };
    struct Block {
        std::unique_ptr<Content> content;  // null once written and no longer changing
        std::uint8_t fill = 0;
        bool dirty = true;
    };
    Content& content(std::uint32_t block, const char* what);
    bool fits(const Content& c, std::size_t size) const;
    void startBlock();
    std::vector<std::uint8_t> finish(std::size_t index, bool last);
    static std::size_t bitmapOf(std::size_t block);

    std::uint8_t clientSig_;
    Hid userRoot_;
    std::vector<Block> blocks_;
    std::vector<std::uint32_t> pinned_;
    GrowingDataTree tree_;
};

// Fill level of a heap block of the given finished size ([MS-PST] 2.3.1.2).
std::uint8_t heapFillLevel(std::size_t blockSize);

}  // namespace tolvane::pst::ltp
