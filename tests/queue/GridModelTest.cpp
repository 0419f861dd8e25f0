#include "queue/GridModel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ErrorNumber.h"
#include "queue/FileQueue.h"

namespace tolvane::queue {
namespace {

using testing::errorNumberOf;

// Writes down every announcement, one line each.
class Recorder : public GridObserver {
  public:
    std::vector<std::string> heard;

    void gridChanged(const GridChange& change) override {
        heard.push_back("grid " + std::to_string(change.rows) + "x" + std::to_string(change.cols) +
                        " rows " + std::to_string(change.firstRow) + ".." +
                        std::to_string(change.lastRow));
    }
    void currentCellChanged(int row, int col) override {
        heard.push_back("current " + std::to_string(row) + "," + std::to_string(col));
    }
    void columnWidthChanged(int col, int twips) override {
        heard.push_back("width " + std::to_string(col) + " " + std::to_string(twips));
    }
};

TEST(GridModel, StartsAsOneEmptyCell) {
    GridModel grid;
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.Cols(), 1);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_EQ(grid.Row(), 0);
    EXPECT_EQ(grid.Text(), "");
}

TEST(GridModel, CellsOutsideTheGridAreSubscriptErrorsAndBadCountsInvalidValues) {
    GridModel grid;
    EXPECT_EQ(errorNumberOf([&] { grid.Row(1); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { grid.Row(-1); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { grid.Col(1); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { grid.ColWidth(3, 100); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { grid.Rows(-1); }), 380);
    EXPECT_EQ(errorNumberOf([&] { grid.FixedRows(2); }), 380);
    EXPECT_EQ(grid.Row(), 0);
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.FixedRows(), 0);
    grid.Rows(0);
    EXPECT_EQ(errorNumberOf([&] { (void)grid.Text(); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(grid.CellText(0, 0), "");
}

TEST(GridModel, TextReadsAndWritesTheCurrentCell) {
    GridModel grid;
    grid.Rows(3);
    grid.Cols(2);
    grid.Row(2);
    grid.Col(1);
    grid.Text("two-one");
    grid.Row(0);
    EXPECT_EQ(grid.Text(), "");
    grid.Row(2);
    EXPECT_EQ(grid.Text(), "two-one");
    grid.Text("again");
    EXPECT_EQ(grid.CellText(2, 1), "again");
    EXPECT_EQ(grid.CellText(2, 0), "");
}

TEST(GridModel, LoweringRowsDropsTheEndAndClearKeepsShapeAndWidth) {
    GridModel grid;
    grid.Rows(3);
    for (int row = 0; row < 3; ++row) {
        grid.Row(row);
        grid.Text("r" + std::to_string(row));
    }
    grid.Rows(2);
    EXPECT_EQ(grid.Row(), 1);  // the current row went with the dropped one
    EXPECT_EQ(grid.Text(), "r1");
    grid.Rows(3);
    EXPECT_EQ(grid.CellText(2, 0), "");  // a raised count brings empty rows

    grid.ColWidth(0, 15000);
    grid.Clear();
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.ColWidth(0), 15000);
    EXPECT_EQ(grid.CellText(0, 0), "");
}

TEST(GridModel, FixedRowsNeverExceedTheRows) {
    GridModel grid;
    grid.Rows(3);
    grid.FixedRows(2);
    grid.Rows(1);
    EXPECT_EQ(grid.FixedRows(), 1);
}

TEST(GridModel, TheViewHearsOfEveryChangeAtOnceOutsideABatch) {
    GridModel grid;
    Recorder view;
    grid.setObserver(&view);
    grid.Rows(2);
    grid.Row(1);
    grid.Text("x");
    grid.ColWidth(0, 15000);
    grid.Clear();
    EXPECT_EQ(view.heard,
              (std::vector<std::string>{"grid 2x1 rows 0..-1", "current 1,0", "grid 2x1 rows 1..1",
                                        "width 0 15000", "grid 2x1 rows 0..1"}));
}

TEST(GridModel, ABatchIsAnnouncedOnceWithTheRowsItTouched) {
    GridModel grid;
    grid.Rows(5);
    Recorder view;
    grid.setObserver(&view);
    {
        const GridModel::Batch outer(grid);
        grid.Row(3);
        grid.Text("three");
        {
            const GridModel::Batch inner(grid);
            grid.Row(1);
            grid.Text("one");
            grid.ColWidth(0, 2000);
        }
        EXPECT_TRUE(view.heard.empty());  // the inner batch ends inside the outer one
        grid.Rows(6);
    }
    EXPECT_EQ(view.heard,
              (std::vector<std::string>{"grid 6x1 rows 1..3", "width 0 2000", "current 1,0"}));
    // Rows dropped in a batch are not told as rows to draw.
    view.heard.clear();
    {
        const GridModel::Batch batch(grid);
        grid.Clear();
        grid.Rows(2);
    }
    EXPECT_EQ(view.heard, std::vector<std::string>{"grid 2x1 rows 0..1"});
}

// Each add and each reset reaches the view as one change, whatever the queue does to the grid.
TEST(GridModel, TheQueueFillsAndEmptiesItOneAnnouncementAtATime) {
    GridModel grid;
    Recorder view;
    grid.setObserver(&view);
    std::string caption;
    std::vector<std::string> workingPathList{""};
    FileQueue queue(
        grid, [&](const std::string& text) { caption = text; }, workingPathList);

    queue.AddQueueRow("C:\\Mail\\a.eml");
    EXPECT_EQ(view.heard,
              (std::vector<std::string>{"grid 1x1 rows 0..0", "width 0 15000", "current 0,0"}));
    view.heard.clear();
    queue.AddQueueRow("C:\\Mail\\b.eml");
    queue.AddQueueRow("C:\\Mail\\a.eml");
    EXPECT_EQ(view.heard, (std::vector<std::string>{"grid 2x1 rows 1..1", "current 1,0",
                                                    "grid 3x1 rows 2..2", "current 2,0"}));
    EXPECT_EQ(caption, "3 Zimbra Messages");
    EXPECT_EQ(grid.CellText(0, 0), "C:\\Mail\\a.eml");
    EXPECT_EQ(grid.CellText(1, 0), "C:\\Mail\\b.eml");

    view.heard.clear();
    queue.ResetQueue();
    EXPECT_EQ(view.heard, (std::vector<std::string>{"grid 1x1 rows 0..0", "current 0,0"}));
    EXPECT_EQ(grid.CellText(0, 0), "");
    EXPECT_EQ(grid.ColWidth(0), FileQueue::kColumnWidthTwips);
}

}  // namespace
}  // namespace tolvane::queue
