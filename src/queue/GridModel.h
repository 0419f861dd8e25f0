#pragma once

#include <string>
#include <vector>

namespace tolvane::queue {

// What a grid's view hears. Changes come in batches: one announcement per batch for the shape
// and the run of rows whose texts changed, however many cells changed inside it.
struct GridChange {
    int rows = 0;  // the grid's shape after the batch
    int cols = 0;
    int firstRow = 0;  // rows firstRow..lastRow may show new texts; none when firstRow > lastRow
    int lastRow = -1;
};

class GridObserver {
  public:
    virtual ~GridObserver() = default;
    virtual void gridChanged(const GridChange& change) = 0;
    virtual void currentCellChanged(int row, int col) = 0;
    virtual void columnWidthChanged(int col, int twips) = 0;
};

// The queue's grid: cells, current cell and column widths, under the flex grid's own
// operation names, apart from any control that shows it. The queue's only store; the Qt and
// Win32 windows each show it through a thin view. Rows and columns count from 0; widths are
// in twips. Errors as the flex grid raises them: 9 for a cell outside the grid, 380 for a
// negative count or more fixed rows than rows.
class GridModel {
  public:
    GridModel();
    GridModel(const GridModel&) = delete;
    GridModel& operator=(const GridModel&) = delete;

    // The one view; it reads the present state itself when it attaches. nullptr detaches.
    void setObserver(GridObserver* observer) noexcept { observer_ = observer; }

    int Rows() const noexcept { return rows_; }
    // Lowering the count drops rows at the end; raising it adds empty rows.
    void Rows(int rows);
    int Cols() const noexcept { return cols_; }
    void Cols(int cols);
    int FixedRows() const noexcept { return fixedRows_; }
    void FixedRows(int fixedRows);

    // The current cell.
    int Row() const noexcept { return row_; }
    void Row(int row);
    int Col() const noexcept { return col_; }
    void Col(int col);
    std::string Text() const;
    void Text(const std::string& text);

    // Erases every cell's text; rows, columns and widths stay.
    void Clear();

    int ColWidth(int col) const;
    void ColWidth(int col, int twips);

    // The text of a cell for drawing; "" outside the grid.
    const std::string& CellText(int row, int col) const;

    // Changes made while a Batch lives reach the view as one announcement when the outermost
    // batch ends.
    class Batch {
      public:
        explicit Batch(GridModel& grid) : grid_(grid) { ++grid_.batchDepth_; }
        ~Batch() {
            if (--grid_.batchDepth_ == 0) {
                grid_.announce();
            }
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        GridModel& grid_;
    };

  private:
    void requireCurrentCell() const;
    void rowsTouched(int first, int last);
    void announce();

    GridObserver* observer_ = nullptr;
    int rows_ = 1;
    int cols_ = 1;
    int fixedRows_ = 0;
    int row_ = 0;
    int col_ = 0;
    std::vector<std::vector<std::string>> cells_;  // by row; a row holds only the columns set
    std::vector<int> widths_;                      // twips, by column

    // What the next announcement tells.
    int batchDepth_ = 0;
    bool shapeChanged_ = false;
    int firstTouched_ = 0;
    int lastTouched_ = -1;
    std::vector<int> widthsChanged_;
    bool currentChanged_ = false;
};

}  // namespace tolvane::queue
