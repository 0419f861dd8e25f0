#pragma once

// The columns of a table context and where each sits in a row ([MS-PST] 2.3.4.2, 2.3.4.4.1).

#include <cstdint>
#include <span>
#include <vector>

#include "mapi/PropTag.h"
#include "mapi/PropType.h"
#include "pst/ltp/LtpStructures.h"

namespace tolvane::pst::ltp {

// Width of a cell of the type: 8, 4 (values and HNIDs), 2 or 1 ([MS-PST] 2.3.4.4.1).
std::uint8_t cellWidth(mapi::PropType type);
// Whether a cell holds the value itself rather than an HNID.
bool isInlineCell(mapi::PropType type);

class TableLayout {
  public:
    // A layout given column by column, as a template node holds it. Throws PstError if the
    // columns overlap or RowId/RowVer are not where [MS-PST] 2.3.4.4.1 puts them.
    static TableLayout fromColumns(std::vector<TColumn> columns);
    // The same columns plus the given tags: columns already there keep their CEB bits; cells
    // are laid out again by width.
    TableLayout withTags(std::span<const mapi::PropTag> tags) const;

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
