#pragma once

#include <functional>
#include <string>
#include <vector>

#include "queue/Grid.h"

namespace tolvane::win32 {

// The queue grid's cells and current cell, kept apart from the control that shows them (a
// virtual list-view asks for the text of the rows it draws). Errors as the flex grid raises
// them: 9 for a cell outside the grid, 380 for a negative count.
class GridCells : public queue::Grid {
  public:
    struct Observer {
        std::function<void(int rows)> rowsChanged;
        std::function<void(int row)> rowChanged;      // a cell's text in this row
        std::function<void(int row)> currentChanged;  // the current row
        std::function<void(int col, int twips)> widthChanged;
    };

    explicit GridCells(Observer observer = {});

    int Rows() const override;
    void Rows(int rows) override;
    int Cols() const override;
    void Cols(int cols) override;
    int FixedRows() const override;
    void FixedRows(int fixedRows) override;

    int Row() const override;
    void Row(int row) override;
    int Col() const override;
    void Col(int col) override;
    std::string Text() const override;
    void Text(const std::string& text) override;

    void Clear() override;

    int ColWidth(int col) const override;
    void ColWidth(int col, int twips) override;

    // The text of a cell for drawing; "" outside the grid.
    const std::string& CellText(int row, int col) const;

  private:
    void requireCurrentCell() const;

    Observer observer_;
    int rows_ = 1;
    int cols_ = 1;
    int fixedRows_ = 0;
    int row_ = 0;
    int col_ = 0;
    std::vector<std::vector<std::string>> cells_;  // by row; a row holds only the columns set
    std::vector<int> widths_;                      // twips, by column
};

}  // namespace tolvane::win32
