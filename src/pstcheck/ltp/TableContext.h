#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pstcheck/ltp/LtpNode.h"

namespace tolvane::pstcheck {

// [MS-PST] 2.3.4 table context: TCINFO, column descriptors, RowIndex BTH and row matrix.
class TableContext {
  public:
    struct Column {
        std::uint32_t tag = 0;
        std::uint16_t ib = 0;
        std::uint8_t cb = 0;
        std::uint8_t iBit = 0;
    };

    static std::optional<TableContext> open(BlockSource& blocks, std::uint64_t bidData,
                                            std::uint64_t bidSub, const std::string& where,
                                            Report& report);

    // The same checks over a node already opened as a heap.
    static std::optional<TableContext> fromNode(LtpNode node, Report& report);

    // Rows by position in the row matrix (dwRowIndex).
    std::size_t rows() const { return rows_.size(); }
    std::uint32_t rowId(std::size_t row) const;
    // The RowIndex: dwRowID -> position.
    const std::map<std::uint32_t, std::uint32_t>& rowIndex() const { return rowIndex_; }
    const std::vector<Column>& columns() const { return columns_; }
    // TCINFO rgib: ends of the 8/4-byte, 2-byte and 1-byte cells, and of the CEB (row size).
    std::array<std::uint16_t, 4> groupEnds() const { return groupEnds_; }
    bool matrixInSubnode() const { return hnidRows_ != 0 && (hnidRows_ & 0x1F) != 0; }
    const LtpNode& node() const { return node_; }

    // Cells by full tag; nothing when the column is absent or the CEB says the cell is.
    std::optional<std::uint32_t> int32(std::size_t row, std::uint32_t tag) const;
    std::optional<bool> boolean(std::size_t row, std::uint32_t tag) const;
    std::optional<std::string> string(std::size_t row, std::uint32_t tag) const;
    // The value of any cell as a PC would hold it (inline bytes, or what its HNID names).
    std::optional<std::vector<std::uint8_t>> cellBytes(std::size_t row, std::uint32_t tag) const;

  private:
    TableContext(LtpNode node) : node_(std::move(node)) {}
    bool readInfo(Report& r);
    bool readRows(Report& r);
    void checkCells(Report& r) const;
    const Column* cell(std::size_t row, std::uint32_t tag) const;

    LtpNode node_;
    std::vector<Column> columns_;
    std::uint16_t rowSize_ = 0, cebStart_ = 0;
    std::array<std::uint16_t, 4> groupEnds_{};
    std::map<std::uint32_t, std::uint32_t> rowIndex_;
    std::uint32_t hidRowIndex_ = 0, hnidRows_ = 0;
    std::vector<std::vector<std::uint8_t>> matrix_;  // row-matrix blocks
    std::vector<Bytes> rows_;                        // in row-index order
};

}  // namespace tolvane::pstcheck
