#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "queue/GridModel.h"

namespace tolvane::win32app {

// The queue's grid model shown in a virtual list-view (LVS_OWNERDATA): the control asks for
// the text of each row it draws, and hears of the model's changes a batch at a time. It shows
// the grid's column 0, the one column the queue uses.
class GridListView : private queue::GridObserver {
  public:
    explicit GridListView(queue::GridModel& grid) : grid_(grid) {}
    ~GridListView() override;
    GridListView(const GridListView&) = delete;
    GridListView& operator=(const GridListView&) = delete;

    // Shows the model in the list-view control, as it stands and from now on.
    void attach(HWND control, int dpi);
    // Sizes the column again for a new DPI (the window moved to another monitor).
    void rescale(int dpi);
    // Answers the control's LVN_GETDISPINFOW for a row it draws.
    void fill(NMLVDISPINFOW& request);

  private:
    void gridChanged(const queue::GridChange& change) override;
    void currentCellChanged(int row, int col) override;
    void columnWidthChanged(int col, int twips) override;

    queue::GridModel& grid_;
    HWND control_ = nullptr;
    int dpi_ = 96;
    int shownRows_ = 0;
    std::wstring cellText_;  // the text the control is drawing
};

}  // namespace tolvane::win32app
