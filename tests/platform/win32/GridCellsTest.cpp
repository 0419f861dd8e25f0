#include "platform/win32/GridCells.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/AppError.h"
#include "platform/ErrorNumber.h"
#include "queue/FileQueue.h"

namespace tolvane::win32 {
namespace {

using tolvane::testing::errorNumberOf;

// The queue runs on these cells exactly as on the flex grid: rows, current cell, texts.
TEST(GridCellsAsTheQueuesStore, TheQueueFillsAndEmptiesTheCells) {
    GridCells cells;
    std::string caption;
    std::vector<std::string> workingPathList{""};
    queue::FileQueue queue(
        cells, [&](const std::string& text) { caption = text; }, workingPathList);
    EXPECT_TRUE(queue.IsEmpty());

    queue.AddQueueRow("C:\\Mail\\a.eml");
    EXPECT_EQ(cells.Rows(), 1);
    EXPECT_EQ(cells.ColWidth(0), queue::FileQueue::kColumnWidthTwips);
    queue.AddQueueRow("C:\\Mail\\b.eml");
    queue.AddQueueRow("C:\\Mail\\a.eml");
    EXPECT_EQ(cells.Rows(), 3);
    EXPECT_EQ(caption, "3 Zimbra Messages");
    EXPECT_EQ(cells.Row(), 2);
    EXPECT_EQ(cells.CellText(0, 0), "C:\\Mail\\a.eml");
    EXPECT_EQ(cells.CellText(1, 0), "C:\\Mail\\b.eml");
    EXPECT_EQ(queue.SelectRow(2), "C:\\Mail\\a.eml");

    queue.ResetQueue();
    EXPECT_EQ(cells.Rows(), 1);
    EXPECT_EQ(cells.CellText(0, 0), "");
    EXPECT_EQ(caption, "0 files");
    EXPECT_EQ(cells.ColWidth(0), queue::FileQueue::kColumnWidthTwips);  // Clear keeps widths
}

TEST(GridCellsAsTheQueuesStore, CellsOutsideTheGridAreSubscriptErrors) {
    GridCells cells;
    EXPECT_EQ(errorNumberOf([&] { cells.Row(1); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { cells.Col(-1); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { cells.ColWidth(1, 100); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { cells.Rows(-1); }), 380);
    EXPECT_EQ(errorNumberOf([&] { cells.FixedRows(2); }), 380);
    cells.Rows(0);
    EXPECT_EQ(errorNumberOf([&] { (void)cells.Text(); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(cells.CellText(0, 0), "");
}

TEST(GridCellsAsTheQueuesStore, LoweringTheRowCountDropsRowsAtTheEnd) {
    GridCells cells;
    cells.Rows(3);
    for (int r = 0; r < 3; ++r) {
        cells.Row(r);
        cells.Text("row " + std::to_string(r));
    }
    cells.Rows(2);
    EXPECT_EQ(cells.Row(), 1);  // the current row moved inside
    cells.Rows(3);
    EXPECT_EQ(cells.CellText(1, 0), "row 1");
    EXPECT_EQ(cells.CellText(2, 0), "");  // a raised count brings empty rows
}

TEST(GridCellsAsTheQueuesStore, TheControlHearsOfEveryChange) {
    std::vector<std::string> heard;
    GridCells cells(
        {.rowsChanged = [&](int rows) { heard.push_back("rows " + std::to_string(rows)); },
         .rowChanged = [&](int row) { heard.push_back("row " + std::to_string(row)); },
         .currentChanged = [&](int row) { heard.push_back("current " + std::to_string(row)); },
         .widthChanged =
             [&](int col, int twips) {
                 heard.push_back("width " + std::to_string(col) + " " + std::to_string(twips));
             }});
    cells.Rows(2);
    cells.Row(1);
    cells.Text("x");
    cells.ColWidth(0, 15000);
    cells.Clear();
    EXPECT_EQ(heard, (std::vector<std::string>{"rows 2", "current 1", "row 1", "width 0 15000",
                                               "rows 2"}));
}

}  // namespace
}  // namespace tolvane::win32
