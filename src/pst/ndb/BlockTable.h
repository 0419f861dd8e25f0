#pragma once

#include <cstdint>
#include <vector>

#include "pst/ndb/CowBTree.h"
#include "pst/ndb/Ids.h"

namespace tolvane::pst::ndb {

// What the BBT says of one block ([MS-PST] 2.2.2.7.7.3). refs counts the BBT's own reference
// plus every referrer (NBT entry, SLENTRY, XBLOCK slot), as Outlook counts.
struct BlockRecord {
    Bid bid;
    ByteIndex ib;
    std::uint16_t cb = 0;
    std::uint16_t refs = 0;
};

struct BbtTraits {
    using Entry = BlockRecord;
    static constexpr std::uint8_t kPtype = disk::value::kPageBbt;
    static constexpr std::size_t kLeafMax = disk::value::kBbtLeafMax;
    static constexpr std::size_t kLeafEntrySize = sizeof(disk::BbtEntry);
    static std::uint64_t key(const BlockRecord& r) { return r.bid.value; }
    static void encode(const BlockRecord& r, std::span<std::uint8_t> out) {
        disk::writeAt(out, disk::BbtEntry{{r.bid.value, r.ib.value}, r.cb, r.refs, 0});
    }
    static BlockRecord decode(std::span<const std::uint8_t> in) {
        const auto e = disk::fromBytes<disk::BbtEntry>(in);
        return {Bid{e.bref.bid}, ByteIndex{e.bref.ib}, e.cb, e.cRef};
    }
};

// The blocks of the file, as the BBT pages that hold them: 24 bytes a block in memory while
// its leaf is, and a commit rewrites only the pages whose blocks came, went or changed their
// count.
class BlockTable {
  public:
    void add(Bid bid, ByteIndex ib, std::uint16_t cb);
    const BlockRecord* find(Bid bid) const { return tree_.find(bid.value); }
    // Throws PstError naming who refers (what) when the block is not in the table.
    void addRef(Bid bid, const char* what);
    // Returns the count left; at 1 only the BBT holds the block and it can go.
    std::uint16_t dropRef(Bid bid);
    void erase(Bid bid);

    std::size_t size() const { return tree_.size(); }
    template <class F>
    void forEach(F&& f) const {
        tree_.forEach(f);
    }
    CowBTree<BbtTraits>& tree() { return tree_; }

  private:
    CowBTree<BbtTraits> tree_;
    std::uint64_t lastBid_ = 0;
};

}  // namespace tolvane::pst::ndb
