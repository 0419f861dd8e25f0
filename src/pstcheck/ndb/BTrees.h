#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"
#include "pstcheck/ndb/Allocations.h"
#include "pstcheck/ndb/Header.h"

namespace tolvane::pstcheck {

// [MS-PST] 2.2.2.7.7.3 BBTENTRY
struct BbtEntry {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
    std::uint16_t cb = 0;
    std::uint16_t cRef = 0;
};

// [MS-PST] 2.2.2.7.7.4 NBTENTRY
struct NbtEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
    std::uint32_t nidParent = 0;
};

struct BTrees {
    std::map<std::uint64_t, BbtEntry> bbt;  // by bid
    std::map<std::uint32_t, NbtEntry> nbt;  // by nid
    std::uint64_t maxPageBid = 0;
    std::uint8_t nbtLevels = 0;  // pages from root to leaf, the root's cLevel + 1
    std::uint8_t bbtLevels = 0;
};

// Walks the NBT and the BBT from the header's BREFs: page trailers, levels, entry sizes,
// key order and key ranges. Records every page in the allocations.
BTrees walkBTrees(Bytes file, const Header& header, Allocations& allocations, Report& report);

}  // namespace tolvane::pstcheck
