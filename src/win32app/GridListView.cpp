#include "win32app/GridListView.h"

#include <algorithm>

#include "app/Twips.h"
#include "platform/win32/WideText.h"

namespace tolvane::win32app {

GridListView::~GridListView() {
    if (control_ != nullptr) {
        grid_.setObserver(nullptr);
    }
}

void GridListView::attach(HWND control, int dpi) {
    control_ = control;
    dpi_ = dpi;
    ListView_SetExtendedListViewStyle(control_, LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = app::TwipsToPixels(grid_.ColWidth(0), dpi_);
    ListView_InsertColumn(control_, 0, &column);
    shownRows_ = grid_.Rows();
    ListView_SetItemCountEx(control_, shownRows_, LVSICF_NOINVALIDATEALL);
    grid_.setObserver(this);
}

void GridListView::rescale(int dpi) {
    dpi_ = dpi;
    columnWidthChanged(0, grid_.ColWidth(0));
}

void GridListView::fill(NMLVDISPINFOW& request) {
    LVITEMW& item = request.item;
    if ((item.mask & LVIF_TEXT) == 0 || item.cchTextMax <= 0) {
        return;
    }
    cellText_ = win32::Widen(grid_.CellText(item.iItem, item.iSubItem));
    const std::size_t n = std::min(cellText_.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::copy_n(cellText_.data(), n, item.pszText);
    item.pszText[n] = L'\0';
}

void GridListView::gridChanged(const queue::GridChange& change) {
    if (change.rows != shownRows_) {
        if (!redrawOff_) {
            SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
            redrawOff_ = true;
        }
        shownRows_ = change.rows;
        ListView_SetItemCountEx(control_, shownRows_, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        waitForShow();
    } else if (change.firstRow <= change.lastRow) {
        ListView_RedrawItems(control_, change.firstRow, change.lastRow);
    }
}

void GridListView::currentCellChanged(int row, int) {
    currentRow_ = row;
    waitForShow();
}

void GridListView::waitForShow() {
    if (!waiting_) {
        waiting_ = true;
        changed_();
    }
}

void GridListView::show() {
    waiting_ = false;
    if (currentRow_) {
        ListView_SetItemState(control_, *currentRow_, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        currentRow_.reset();
    }
    if (redrawOff_) {
        redrawOff_ = false;
        SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(control_, nullptr, FALSE);
    }
}

void GridListView::columnWidthChanged(int col, int twips) {
    if (col == 0) {
        ListView_SetColumnWidth(control_, 0, app::TwipsToPixels(twips, dpi_));
    }
}

}  // namespace tolvane::win32app
