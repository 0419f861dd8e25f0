#pragma once

#include <QTableWidget>

#include "queue/Grid.h"

namespace tolvane::app {

// The queue's grid over a QTableWidget: one plain-text cell per row and column, no headers,
// no editing. Rows are added without scrolling or per-row layout work, so appending stays
// cheap however long the queue grows. The view's highlighted cell follows Row and Col when
// the event loop next runs.
class FlexGrid : public QTableWidget, public queue::Grid {
  public:
    explicit FlexGrid(QWidget* parent);

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

  private:
    void showCurrentCell();

    bool viewFollowPending_ = false;
    int fixedRows_ = 0;
    int row_ = 0;
    int col_ = 0;
};

}  // namespace tolvane::app
