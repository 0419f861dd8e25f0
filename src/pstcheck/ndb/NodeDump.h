#pragma once

#include <ostream>

#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockStore.h"

namespace tolvane::pstcheck {

// --verbose: one line per NBT node (nid, type, parent, data and subnode blocks, subnodes),
// for people comparing a written file with an Outlook-made one.
void dumpNodes(std::ostream& out, const BTrees& trees, BlockStore& blocks);

}  // namespace tolvane::pstcheck
