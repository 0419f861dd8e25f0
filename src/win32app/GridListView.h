#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>

#include "queue/GridModel.h"

namespace tolvane::win32app {

// The queue's grid model shown in a virtual list-view (LVS_OWNERDATA): the control asks for
// the text of each row it draws, and hears of the model's changes a batch at a time. It shows
// the grid's column 0, the one column the queue uses.
//
// The row count reaches the control at once, with its redraw off; the redraw, which updates
// the scroll bar (tens of milliseconds a time under Wine), and the highlighted row wait for
// show(), which the window calls a few times a second and when a handler returns.
class GridListView : private queue::GridObserver {
  public:
    // `changed` is told when something waits for show().
    GridListView(queue::GridModel& grid, std::function<void()> changed)
        : grid_(grid), changed_(std::move(changed)) {}
    ~GridListView() override;
    GridListView(const GridListView&) = delete;
    GridListView& operator=(const GridListView&) = delete;

    // Shows the model in the list-view control, as it stands and from now on.
    void attach(HWND control, int dpi);
    // Sizes the column again for a new DPI (the window moved to another monitor).
    void rescale(int dpi);
    // Answers the control's LVN_GETDISPINFOW for a row it draws.
    void fill(NMLVDISPINFOW& request);
    // Shows what changed since the last call: the rows, the scroll bar, the highlighted row.
    void show();

  private:
    void gridChanged(const queue::GridChange& change) override;
    void currentCellChanged(int row, int col) override;
    void columnWidthChanged(int col, int twips) override;
    void waitForShow();

    queue::GridModel& grid_;
    std::function<void()> changed_;
    HWND control_ = nullptr;
    int dpi_ = 96;
    int shownRows_ = 0;
    bool redrawOff_ = false;
    bool waiting_ = false;
    std::optional<int> currentRow_;  // to highlight at the next show()
    std::wstring cellText_;          // the text the control is drawing
};

}  // namespace tolvane::win32app
