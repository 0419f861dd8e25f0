#pragma once

#include <string>

namespace tolvane::queue {

// The grid seam: the flex-grid operations the queue is written in, under the control's own
// names. The queue's only store. Rows and columns count from 0; widths are in twips.
// Selecting a row or column outside the grid throws AppError 9.
class Grid {
  public:
    virtual ~Grid() = default;

    virtual int Rows() const = 0;
    // Lowering the count drops rows at the end; raising it adds empty rows.
    virtual void Rows(int rows) = 0;
    virtual int Cols() const = 0;
    virtual void Cols(int cols) = 0;
    virtual int FixedRows() const = 0;
    virtual void FixedRows(int fixedRows) = 0;

    // The current cell.
    virtual int Row() const = 0;
    virtual void Row(int row) = 0;
    virtual int Col() const = 0;
    virtual void Col(int col) = 0;
    virtual std::string Text() const = 0;
    virtual void Text(const std::string& text) = 0;

    // Erases every cell's text; rows, columns and widths stay.
    virtual void Clear() = 0;

    virtual int ColWidth(int col) const = 0;
    virtual void ColWidth(int col, int twips) = 0;
};

}  // namespace tolvane::queue
