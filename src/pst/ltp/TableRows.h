#pragma once

// The rows of a table being built, kept compactly (one byte buffer: each row's fixed image
// plus its variable cells) until the table is written.

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/TableLayout.h"

namespace tolvane::pst::ltp {

class TableRows {
  public:
    explicit TableRows(TableLayout layout) : layout_(std::move(layout)) {}

    const TableLayout& layout() const { return layout_; }
    std::size_t size() const { return starts_.size(); }

    // Adds a row; cells whose tag has no column are left out, as are PtypObject values.
    void add(std::uint32_t rowId, std::uint32_t rowVersion, std::span<const Cell> cells);

    // One stored row: its image (inline cells and CEB filled, HNID cells zero) and the bytes
    // of each variable cell, in column order.
    struct View {
        std::uint32_t rowId;
        std::span<const std::uint8_t> image;
        std::vector<std::pair<const TColumn*, std::span<const std::uint8_t>>> variable;
    };
    View row(std::size_t index) const;

  private:
    TableLayout layout_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint64_t> starts_;
};

}  // namespace tolvane::pst::ltp
