#pragma once

#include <span>

#include "pst/ndb/BlockStore.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::ndb {

// Writes a node's subnode tree ([MS-PST] 2.2.2.8.3.3): entries sorted by NID into one SLBLOCK
// of up to 340, or SLBLOCKs under an SIBLOCK of up to 510. Returns Bid{} for no entries, since
// an SLBLOCK must hold at least one.
Bid writeSubnodeTree(BlockStore& blocks, std::span<const SubnodeEntry> entries);

}  // namespace tolvane::pst::ndb
