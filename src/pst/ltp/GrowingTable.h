#pragma once

// A table context ([MS-PST] 2.3.4) that grows by rows added at its end, as a folder's contents
// table does: a write adds the new rows' cells, row-matrix blocks and RowIndex records, and
// rewrites only the last matrix block, the changed heap blocks, the data-tree index and the
// small items that grow (the last RowIndex leaf and index items), never the rows before.
// Between writes only the new rows are held in memory.

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/DiskStructs.h"
#include "pst/ltp/GrowingBthIndex.h"
#include "pst/ltp/GrowingDataTree.h"
#include "pst/ltp/GrowingHeap.h"
#include "pst/ltp/SubnodeSet.h"
#include "pst/ltp/TableRows.h"

namespace tolvane::pst::ltp {

class GrowingTable {
  public:
    GrowingTable(ndb::BlockWriter& db, TableLayout layout);

    // Adds a row; cells whose tag has no column are left out. Row ids must rise. A cell too
    // large for the heap is written at once, before anything else changes.
    void add(std::uint32_t rowId, std::uint32_t rowVersion, std::span<const Cell> cells);
    std::size_t size() const { return rows_; }
    // Writes what changed since the last write; the table node is set to the result.
    NodeContent write();

  private:
    void appendMatrixRow(std::span<const std::uint8_t> image);
    void closeLeafIfFull();
    disk::BthHeader writeIndex();

    ndb::BlockWriter& db_;
    TableLayout layout_;
    GrowingHeap heap_;
    Hid indexHeader_;
    Hid info_;
    std::size_t rows_ = 0;
    std::uint32_t lastRowId_ = 0;

    // RowIndex: full leaves and index items are heap items for good; the last leaf and the
    // last item of each index level are written anew each time, and those of the last write freed.
    GrowingBthIndex rowIndex_;
    std::vector<std::uint8_t> lastLeaf_;
    std::vector<Hid> replaced_;

    // Row matrix: in the heap while it fits one item, then a subnode of whole-row blocks.
    std::vector<std::uint8_t> matrixTail_;                     // rows after the last full block
    std::vector<std::vector<std::uint8_t>> fullMatrixBlocks_;  // since the last write
    ndb::Nid matrixNid_;
    GrowingDataTree matrix_;
    bool tailWritten_ = false;  // the matrix's last leaf is a tail, replaced as rows come
    std::uint32_t nextSubnode_ = 0;
    std::vector<ndb::SubnodeEntry> subnodes_;  // large cells
};

}  // namespace tolvane::pst::ltp
