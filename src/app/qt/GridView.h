#pragma once

#include <QTableView>

#include "queue/GridModel.h"

namespace tolvane::app {

// The queue's grid model shown in a table view: one plain-text cell per row and column, no
// headers, no editing, rows as high as the flex grid's. The view reads the model and follows
// its announcements, a batch of rows at a time. The highlighted cell follows the model's
// current cell when the event loop next runs: moving it makes the view place rows, which
// costs time in proportion to the row count, so once per pass rather than once per change.
class GridView : public QTableView, private queue::GridObserver {
  public:
    GridView(queue::GridModel& grid, QWidget* parent);
    ~GridView() override;
    GridView(const GridView&) = delete;
    GridView& operator=(const GridView&) = delete;

  private:
    class Cells;

    void gridChanged(const queue::GridChange& change) override;
    void currentCellChanged(int row, int col) override;
    void columnWidthChanged(int col, int twips) override;
    void followCurrentCell();

    queue::GridModel& grid_;
    Cells* cells_;
    bool followPending_ = false;
};

}  // namespace tolvane::app
