#pragma once

// Writes a table context ([MS-PST] 2.3.4): TCINFO with its columns, the RowIndex BTH, the row
// matrix (a heap item while it fits one, otherwise a subnode of whole rows per block) and the
// variable cells (heap items, or subnodes when larger than a heap item).

#include <cstdint>

#include "pst/ltp/SubnodeSet.h"
#include "pst/ltp/TableRows.h"

namespace tolvane::pst::ltp {

// Writes the table as the data of one node; its own subnodes (row matrix, large cells) go into
// the node's subnode tree, numbered after lastSubnodeIndex.
NodeContent writeTable(ndb::BlockWriter& db, const TableRows& rows,
                       std::uint32_t lastSubnodeIndex = 0);

}  // namespace tolvane::pst::ltp
