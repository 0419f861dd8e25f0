#pragma once

// The columns of a table context and where each sits in a row ([MS-PST] 2.3.4.2, 2.3.4.4.1).

#include <cstdint>
#include <span>
#include <vector>

#include "mapi/PropTag.h"
#include "mapi/PropType.h"
#include "mapi/PropValue.h"
#include "pst/ltp/DiskStructs.h"
#include "pst/ltp/Hid.h"

namespace tolvane::pst::ltp {

// Width of a cell of the type: 8, 4 (values and HNIDs), 2 or 1 ([MS-PST] 2.3.4.4.1).
std::uint8_t cellWidth(mapi::PropType type);
// Whether a cell holds the value itself rather than an HNID.
bool isInlineCell(mapi::PropType type);

// One cell of a row being added: the column's tag and the value.
struct Cell {
    mapi::PropTag tag;
    const mapi::PropValue* value = nullptr;
};

// A cell stored outside the row (a string, a binary, a multi-valued value): its column and value.
using VariableCell = std::pair<const TColumn*, const mapi::PropValue*>;

class TableLayout {
  public:
    // A layout given column by column, as a template node holds it. Throws PstError if the
    // columns overlap or RowId/RowVer are not where [MS-PST] 2.3.4.4.1 puts them.
    static TableLayout fromColumns(std::vector<TColumn> columns);
    // The same columns plus the given tags: columns already there keep their CEB bits; cells
    // are laid out again by width.
    TableLayout withTags(std::span<const mapi::PropTag> tags) const;
    // The tags in the order withTags adds them, each once: two lists with the same distinct
    // tags give the same layout.
    static std::vector<mapi::PropTag> distinctTags(std::span<const mapi::PropTag> tags);

    // Fills a row image of rowSize() zero bytes ([MS-PST] 2.3.4.4): RowId, RowVer, the inline
    // cells and the CEB. Cells whose tag has no column, whose value is of another type, or
    // that are PtypObject are left out. Returns the variable cells in the order given; their
    // HNIDs are the caller's to fill in.
    std::vector<VariableCell> fillRow(std::span<std::uint8_t> image, std::uint32_t rowId,
                                      std::uint32_t rowVersion, std::span<const Cell> cells) const;
    // TCINFO and its TCOLDESCs ([MS-PST] 2.3.4.1): tcInfoSize() bytes.
    std::size_t tcInfoSize() const;
    void writeTcInfo(std::span<std::uint8_t> out, Hid rowIndex, std::uint32_t rows) const;

    const std::vector<TColumn>& columns() const { return columns_; }  // sorted by tag
    const TColumn* find(mapi::PropTag tag) const;
    const std::uint16_t* rgib() const { return rgib_; }
    std::size_t rowSize() const { return rgib_[3]; }
    std::size_t cebOffset() const { return rgib_[2]; }

  private:
    std::vector<TColumn> columns_;
    std::uint16_t rgib_[4] = {};
};

}  // namespace tolvane::pst::ltp
