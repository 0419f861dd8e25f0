#include "platform/win32/GridCells.h"

#include <algorithm>

#include "platform/AppError.h"

namespace tolvane::win32 {
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

GridCells::GridCells(Observer observer)
    : observer_(std::move(observer)), cells_(1), widths_(1, kDefaultWidthTwips) {}

int GridCells::Rows() const {
    return rows_;
}

void GridCells::Rows(int rows) {
    requireCount(rows);
    rows_ = rows;
    cells_.resize(static_cast<std::size_t>(rows));
    if (row_ >= rows) {
        row_ = rows > 0 ? rows - 1 : 0;
    }
    fixedRows_ = std::min(fixedRows_, rows);
    if (observer_.rowsChanged) {
        observer_.rowsChanged(rows);
    }
}

int GridCells::Cols() const {
    return cols_;
}

void GridCells::Cols(int cols) {
    requireCount(cols);
    cols_ = cols;
    widths_.resize(static_cast<std::size_t>(cols), kDefaultWidthTwips);
    for (auto& row : cells_) {
        if (row.size() > widths_.size()) {
            row.resize(widths_.size());
        }
    }
    if (col_ >= cols) {
        col_ = cols > 0 ? cols - 1 : 0;
    }
}

int GridCells::FixedRows() const {
    return fixedRows_;
}

void GridCells::FixedRows(int fixedRows) {
    if (fixedRows < 0 || fixedRows > rows_) {
        throw AppError(kInvalidPropertyValue, "Invalid property value");
    }
    fixedRows_ = fixedRows;
}

int GridCells::Row() const {
    return row_;
}

void GridCells::Row(int row) {
    if (row < 0 || row >= rows_) {
        subscriptOutOfRange();
    }
    row_ = row;
    if (observer_.currentChanged) {
        observer_.currentChanged(row);
    }
}

int GridCells::Col() const {
    return col_;
}

void GridCells::Col(int col) {
    if (col < 0 || col >= cols_) {
        subscriptOutOfRange();
    }
    col_ = col;
}

std::string GridCells::Text() const {
    requireCurrentCell();
    return CellText(row_, col_);
}

void GridCells::Text(const std::string& text) {
    requireCurrentCell();
    auto& row = cells_[static_cast<std::size_t>(row_)];
    if (row.size() <= static_cast<std::size_t>(col_)) {
        row.resize(static_cast<std::size_t>(col_) + 1);
    }
    row[static_cast<std::size_t>(col_)] = text;
    if (observer_.rowChanged) {
        observer_.rowChanged(row_);
    }
}

void GridCells::Clear() {
    for (auto& row : cells_) {
        row.clear();
    }
    if (observer_.rowsChanged) {
        observer_.rowsChanged(rows_);
    }
}

int GridCells::ColWidth(int col) const {
    if (col < 0 || col >= cols_) {
        subscriptOutOfRange();
    }
    return widths_[static_cast<std::size_t>(col)];
}

void GridCells::ColWidth(int col, int twips) {
    if (col < 0 || col >= cols_) {
        subscriptOutOfRange();
    }
    widths_[static_cast<std::size_t>(col)] = twips;
    if (observer_.widthChanged) {
        observer_.widthChanged(col, twips);
    }
}

const std::string& GridCells::CellText(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) {
        return kNoText;
    }
    const auto& cells = cells_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(col) < cells.size() ? cells[static_cast<std::size_t>(col)]
                                                        : kNoText;
}

void GridCells::requireCurrentCell() const {
    if (row_ >= rows_ || col_ >= cols_) {
        subscriptOutOfRange();
    }
}

}  // namespace tolvane::win32
