#pragma once

#include <cstdint>
#include <vector>

#include "pst/ndb/DiskStructs.h"
#include "pst/ndb/PageWriter.h"

namespace tolvane::pst::ndb {

// Writes one B-tree (NBT or BBT, [MS-PST] 2.2.2.7.7) bottom-up from entries given in key
// order: full leaves, then index levels of BTENTRYs over them, up to a single root. Only one
// pending page per level is held.
class BTreeBuilder {
  public:
    // leafMax/leafEntrySize: 15/32 for the NBT, 20/24 for the BBT.
    BTreeBuilder(PageWriter& pages, std::uint8_t ptype, std::uint8_t leafMax,
                 std::uint8_t leafEntrySize);

    // `entry` is the serialised NBTENTRY or BBTENTRY; keys must rise strictly.
    void add(std::uint64_t key, std::span<const std::uint8_t> entry);
    // Writes what is pending and returns the root page; an empty tree is one empty leaf.
    disk::Bref finish();

  private:
    struct Level {
        std::vector<std::uint8_t> bytes;
        std::uint8_t count = 0;
        std::uint64_t firstKey = 0;
    };
    void push(std::size_t level, std::uint64_t key, std::span<const std::uint8_t> entry);
    disk::BtEntry writeLevel(std::size_t level);
    std::uint8_t maxAt(std::size_t level) const;
    std::uint8_t sizeAt(std::size_t level) const;

    PageWriter& pages_;
    std::uint8_t ptype_;
    std::uint8_t leafMax_;
    std::uint8_t leafEntrySize_;
    std::vector<Level> levels_;
    std::uint64_t lastKey_ = 0;
    bool any_ = false;
};

}  // namespace tolvane::pst::ndb
