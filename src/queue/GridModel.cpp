#include "queue/GridModel.h"

#include <algorithm>

#include "platform/AppError.h"

namespace tolvane::queue {
namespace {

constexpr long kInvalidPropertyValue = 380;
// The flex grid's default column width.
constexpr int kDefaultWidthTwips = 960;

[[noreturn]] void subscriptOutOfRange() {
    throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
}

void requireCount(int count) {
    if (count < 0) {
        throw AppError(kInvalidPropertyValue, "Invalid property value");
    }
}

const std::string kNoText;

}  // namespace

GridModel::GridModel() : cells_(1), widths_(1, kDefaultWidthTwips) {}

void GridModel::Rows(int rows) {
    requireCount(rows);
    const Batch batch(*this);
    rows_ = rows;
    cells_.resize(static_cast<std::size_t>(rows));
    if (row_ >= rows) {
        row_ = rows > 0 ? rows - 1 : 0;
        currentChanged_ = true;
    }
    fixedRows_ = std::min(fixedRows_, rows);
    shapeChanged_ = true;
}

void GridModel::Cols(int cols) {
    requireCount(cols);
    const Batch batch(*this);
    cols_ = cols;
    widths_.resize(static_cast<std::size_t>(cols), kDefaultWidthTwips);
    for (auto& row : cells_) {
        if (row.size() > widths_.size()) {
            row.resize(widths_.size());
        }
    }
    if (col_ >= cols) {
        col_ = cols > 0 ? cols - 1 : 0;
        currentChanged_ = true;
    }
    shapeChanged_ = true;
}

void GridModel::FixedRows(int fixedRows) {
    if (fixedRows < 0 || fixedRows > rows_) {
        throw AppError(kInvalidPropertyValue, "Invalid property value");
    }
    fixedRows_ = fixedRows;
}

void GridModel::Row(int row) {
    if (row < 0 || row >= rows_) {
        subscriptOutOfRange();
    }
    const Batch batch(*this);
    row_ = row;
    currentChanged_ = true;
}

void GridModel::Col(int col) {
    if (col < 0 || col >= cols_) {
        subscriptOutOfRange();
    }
    const Batch batch(*this);
    col_ = col;
    currentChanged_ = true;
}

std::string GridModel::Text() const {
    requireCurrentCell();
    return CellText(row_, col_);
}

void GridModel::Text(const std::string& text) {
    requireCurrentCell();
    const Batch batch(*this);
    auto& row = cells_[static_cast<std::size_t>(row_)];
    if (row.size() <= static_cast<std::size_t>(col_)) {
        row.resize(static_cast<std::size_t>(col_) + 1);
    }
    row[static_cast<std::size_t>(col_)] = text;
    rowsTouched(row_, row_);
}

void GridModel::Clear() {
    const Batch batch(*this);
    for (auto& row : cells_) {
        row.clear();
    }
    rowsTouched(0, rows_ - 1);
}

int GridModel::ColWidth(int col) const {
    if (col < 0 || col >= cols_) {
        subscriptOutOfRange();
    }
    return widths_[static_cast<std::size_t>(col)];
}

void GridModel::ColWidth(int col, int twips) {
    if (col < 0 || col >= cols_) {
        subscriptOutOfRange();
    }
    const Batch batch(*this);
    widths_[static_cast<std::size_t>(col)] = twips;
    if (std::find(widthsChanged_.begin(), widthsChanged_.end(), col) == widthsChanged_.end()) {
        widthsChanged_.push_back(col);
    }
}

const std::string& GridModel::CellText(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) {
        return kNoText;
    }
    const auto& cells = cells_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(col) < cells.size() ? cells[static_cast<std::size_t>(col)]
                                                        : kNoText;
}

void GridModel::requireCurrentCell() const {
    if (row_ >= rows_ || col_ >= cols_) {
        subscriptOutOfRange();
    }
}

void GridModel::rowsTouched(int first, int last) {
    if (first > last) {
        return;
    }
    if (firstTouched_ > lastTouched_) {
        firstTouched_ = first;
        lastTouched_ = last;
    } else {
        firstTouched_ = std::min(firstTouched_, first);
        lastTouched_ = std::max(lastTouched_, last);
    }
}

void GridModel::announce() {
    // Rows a lowered count dropped are no longer there to show.
    lastTouched_ = std::min(lastTouched_, rows_ - 1);
    const GridChange change{rows_, cols_, firstTouched_, lastTouched_};
    const bool rowsToTell = shapeChanged_ || change.firstRow <= change.lastRow;
    const std::vector<int> widths = std::move(widthsChanged_);
    const bool currentToTell = currentChanged_;
    shapeChanged_ = false;
    firstTouched_ = 0;
    lastTouched_ = -1;
    widthsChanged_.clear();
    currentChanged_ = false;
    if (observer_ == nullptr) {
        return;
    }
    // The shape first, so a view has the rows before it is told to show one.
    if (rowsToTell) {
        observer_->gridChanged(change);
    }
    for (const int col : widths) {
        if (col < cols_) {
            observer_->columnWidthChanged(col, widths_[static_cast<std::size_t>(col)]);
        }
    }
    if (currentToTell && row_ < rows_ && col_ < cols_) {
        observer_->currentCellChanged(row_, col_);
    }
}

}  // namespace tolvane::queue
