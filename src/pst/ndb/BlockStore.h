#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "pst/ndb/BlockTable.h"
#include "pst/ndb/Ids.h"
#include "pst/ndb/PstFile.h"
#include "pst/ndb/SpaceAllocator.h"

namespace tolvane::pst::ndb {

// Blocks in and out of the file ([MS-PST] 2.2.2.8): places each one, 64-byte aligned, with its
// trailer, numbers it from bidNextB and records it in the BBT; drops references and frees a
// block (and what an internal block points to) when nothing but the BBT holds it.
class BlockStore {
  public:
    BlockStore(PstFile& file, SpaceAllocator& space, bool permute);

    // An external (data) block; its bytes are encoded when the file is permute-encoded.
    Bid writeExternal(std::span<const std::uint8_t> data);
    // An internal block (XBLOCK, XXBLOCK, SLBLOCK, SIBLOCK): never encoded.
    Bid writeInternal(std::span<const std::uint8_t> data);
    // Reads an internal block back and checks its trailer against the BBT.
    std::vector<std::uint8_t> readInternal(Bid bid);

    void addRef(Bid bid, const char* what);
    // Drops one reference; a block left with only the BBT's is freed, and so in turn are the
    // blocks it referred to.
    void release(Bid bid);
    // Frees every block nothing refers to (a stream never finished, a tree never linked).
    void discardOrphans();
    // Blocks nothing linked reaches: held by the BBT alone, or only by such blocks (a stream
    // being written, a tree not yet set), in BID order. A commit leaves them out of its state.
    std::vector<BlockRecord> unlinkedBlocks();

    // Blocks numbered below the mark belong to the last committed state: their space is held
    // back until the next commit so a committed file never has live blocks overwritten.
    void markCommitted();
    void reclaimHeldSpace();

    const BlockTable& table() const { return table_; }
    BlockTable& table() { return table_; }
    std::uint64_t nextBid() const { return nextBid_; }
    // Bytes of blocks written since the database was created.
    std::uint64_t bytesWritten() const { return bytesWritten_; }
    bool permute() const { return permute_; }

  private:
    Bid write(std::span<const std::uint8_t> data, bool internal);
    void freeSpace(const BlockRecord& record);
    // Frees a block held by the BBT alone and queues the blocks it referred to.
    void freeBlock(Bid bid, std::vector<Bid>& work);

    PstFile& file_;
    SpaceAllocator& space_;
    bool permute_;
    BlockTable table_;
    std::uint64_t nextBid_ = 4;  // [MS-PST] 2.2.2.2: indexes count in steps of 4
    std::uint64_t committedBelow_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> held_;  // (offset, size)
    std::set<std::uint64_t> fresh_;  // BIDs nothing refers to yet (cRef 1)
    std::uint64_t bytesWritten_ = 0;
};

}  // namespace tolvane::pst::ndb
