#include "app/qt/GridView.h"

#include <QAbstractTableModel>
#include <QHeaderView>

#include "app/Twips.h"

namespace tolvane::app {
namespace {

// The flex grid's default row height.
constexpr int kRowHeightTwips = 240;

}  // namespace

// The grid model as Qt's item model. It keeps the shape the view was last told of, so rows
// come and go between Qt's begin and end calls even though the grid has changed already.
class GridView::Cells : public QAbstractTableModel {
  public:
    Cells(const queue::GridModel& grid, QObject* parent)
        : QAbstractTableModel(parent), grid_(grid), rows_(grid.Rows()), cols_(grid.Cols()) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : cols_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || role != Qt::DisplayRole) {
            return {};
        }
        // A file name need not be valid UTF-8: the cell shows it as well as it can, and the
        // model keeps the bytes as queued.
        return QString::fromStdString(grid_.CellText(index.row(), index.column()));
    }

    void follow(const queue::GridChange& change) {
        if (change.rows > rows_) {
            beginInsertRows({}, rows_, change.rows - 1);
            rows_ = change.rows;
            endInsertRows();
        } else if (change.rows < rows_) {
            beginRemoveRows({}, change.rows, rows_ - 1);
            rows_ = change.rows;
            endRemoveRows();
        }
        if (change.cols > cols_) {
            beginInsertColumns({}, cols_, change.cols - 1);
            cols_ = change.cols;
            endInsertColumns();
        } else if (change.cols < cols_) {
            beginRemoveColumns({}, change.cols, cols_ - 1);
            cols_ = change.cols;
            endRemoveColumns();
        }
        if (change.firstRow <= change.lastRow && cols_ > 0) {
            emit dataChanged(index(change.firstRow, 0), index(change.lastRow, cols_ - 1),
                             {Qt::DisplayRole});
        }
    }

  private:
    const queue::GridModel& grid_;
    int rows_;
    int cols_;
};

GridView::GridView(queue::GridModel& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), cells_(new Cells(grid, this)) {
    setModel(cells_);
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
    for (int col = 0; col < grid_.Cols(); ++col) {
        setColumnWidth(col, TwipsToPixels(grid_.ColWidth(col)));
    }
    grid_.setObserver(this);
    followCurrentCell();
}

GridView::~GridView() {
    grid_.setObserver(nullptr);
}

void GridView::gridChanged(const queue::GridChange& change) {
    cells_->follow(change);
}

void GridView::currentCellChanged(int, int) {
    followCurrentCell();
}

void GridView::columnWidthChanged(int col, int twips) {
    setColumnWidth(col, TwipsToPixels(twips));
}

void GridView::followCurrentCell() {
    if (followPending_) {
        return;
    }
    followPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            followPending_ = false;
            const int row = grid_.Row();
            const int col = grid_.Col();
            if (row < cells_->rowCount() && col < cells_->columnCount()) {
                setCurrentIndex(cells_->index(row, col));
            }
        },
        Qt::QueuedConnection);
}

}  // namespace tolvane::app
