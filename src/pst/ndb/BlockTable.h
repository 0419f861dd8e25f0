#pragma once

#include <cstdint>
#include <vector>

#include "pst/ndb/Ids.h"

namespace tolvane::pst::ndb {

// What the BBT will say of one block ([MS-PST] 2.2.2.7.7.3). refs counts the BBT's own
// reference plus every referrer (NBT entry, SLENTRY, XBLOCK slot), as Outlook counts.
struct BlockRecord {
    Bid bid;
    ByteIndex ib;
    std::uint16_t cb = 0;
    std::uint16_t refs = 0;  // 0 marks a removed record until the table compacts
};

// The blocks of the file in BID order. BIDs only grow, so a new block is appended and lookups
// are binary searches over 24-byte records: a few MiB for a million blocks.
class BlockTable {
  public:
    void add(Bid bid, ByteIndex ib, std::uint16_t cb);
    const BlockRecord* find(Bid bid) const;
    // Throws PstError naming who refers (what) when the block is not in the table.
    void addRef(Bid bid, const char* what);
    // Returns the count left; at 1 only the BBT holds the block and it can go.
    std::uint16_t dropRef(Bid bid);
    void erase(Bid bid);

    std::size_t size() const { return live_; }
    template <class F>
    void forEach(F&& f) const {
        for (const BlockRecord& r : records_) {
            if (r.refs != 0) {
                f(r);
            }
        }
    }

  private:
    BlockRecord* lookup(Bid bid);
    void compact();

    std::vector<BlockRecord> records_;
    std::size_t live_ = 0;
};

}  // namespace tolvane::pst::ndb
