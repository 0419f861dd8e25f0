#include "app/FlexGrid.h"

#include <QHeaderView>

#include "app/Twips.h"
#include "platform/AppError.h"

namespace tolvane::app {
namespace {

constexpr long kInvalidPropertyValue = 380;
// A file name need not be valid UTF-8; the cell shows it as well as it can and keeps the
// bytes as given, so the path read back is the path that was queued.
constexpr int kExactTextRole = Qt::UserRole;
// The flex grid's default row height.
constexpr int kRowHeightTwips = 240;

[[noreturn]] void subscriptOutOfRange() {
    throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
}

void requireCount(int count) {
    if (count < 0) {
        throw AppError(kInvalidPropertyValue, "Invalid property value");
    }
}

}  // namespace

FlexGrid::FlexGrid(QWidget* parent) : QTableWidget(1, 1, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(TwipsToPixels(kRowHeightTwips));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    // Like the flex grid, selecting a cell does not scroll the view to it.
    setAutoScroll(false);
    showCurrentCell();
}

int FlexGrid::Rows() const {
    return rowCount();
}

void FlexGrid::Rows(int rows) {
    requireCount(rows);
    setRowCount(rows);
    if (row_ >= rows) {
        row_ = rows > 0 ? rows - 1 : 0;
        showCurrentCell();
    }
}

int FlexGrid::Cols() const {
    return columnCount();
}

void FlexGrid::Cols(int cols) {
    requireCount(cols);
    setColumnCount(cols);
    if (col_ >= cols) {
        col_ = cols > 0 ? cols - 1 : 0;
        showCurrentCell();
    }
}

int FlexGrid::FixedRows() const {
    return fixedRows_;
}

void FlexGrid::FixedRows(int fixedRows) {
    if (fixedRows < 0 || fixedRows > rowCount()) {
        throw AppError(kInvalidPropertyValue, "Invalid property value");
    }
    fixedRows_ = fixedRows;
}

int FlexGrid::Row() const {
    return row_;
}

void FlexGrid::Row(int row) {
    if (row < 0 || row >= rowCount()) {
        subscriptOutOfRange();
    }
    row_ = row;
    showCurrentCell();
}

int FlexGrid::Col() const {
    return col_;
}

void FlexGrid::Col(int col) {
    if (col < 0 || col >= columnCount()) {
        subscriptOutOfRange();
    }
    col_ = col;
    showCurrentCell();
}

std::string FlexGrid::Text() const {
    if (row_ >= rowCount() || col_ >= columnCount()) {
        subscriptOutOfRange();
    }
    const QTableWidgetItem* cell = item(row_, col_);
    return cell != nullptr ? cell->data(kExactTextRole).toByteArray().toStdString() : std::string();
}

void FlexGrid::Text(const std::string& text) {
    if (row_ >= rowCount() || col_ >= columnCount()) {
        subscriptOutOfRange();
    }
    QTableWidgetItem* cell = item(row_, col_);
    if (cell == nullptr) {
        cell = new QTableWidgetItem();
        setItem(row_, col_, cell);
    }
    cell->setText(QString::fromStdString(text));
    cell->setData(kExactTextRole, QByteArray::fromStdString(text));
}

void FlexGrid::Clear() {
    clearContents();
}

int FlexGrid::ColWidth(int col) const {
    if (col < 0 || col >= columnCount()) {
        subscriptOutOfRange();
    }
    return PixelsToTwips(columnWidth(col));
}

void FlexGrid::ColWidth(int col, int twips) {
    if (col < 0 || col >= columnCount()) {
        subscriptOutOfRange();
    }
    setColumnWidth(col, TwipsToPixels(twips));
}

void FlexGrid::showCurrentCell() {
    // Moving the view's current cell makes the view place rows, which costs time in
    // proportion to the row count after every added row; so the view follows the grid's
    // current cell once per pass of the event loop instead of once per change.
    if (viewFollowPending_) {
        return;
    }
    viewFollowPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            viewFollowPending_ = false;
            if (row_ < rowCount() && col_ < columnCount()) {
                setCurrentCell(row_, col_);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace tolvane::app
