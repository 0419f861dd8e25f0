#include "WindowFixture.h"
#include "platform/ErrorNumber.h"

namespace tolvane::app {
namespace {

using Paths = std::vector<std::string>;

using testing::errorNumberOf;

using TheGridView = WindowTest;

TEST_F(TheGridView, ShowsTheModelAndItsCurrentCellWhenTheEventLoopRuns) {
    queue::GridModel& grid = window().grid();
    grid.Rows(3);
    grid.Cols(2);
    grid.Row(2);
    grid.Col(1);
    grid.Text("two-one");
    const QAbstractItemModel& cells = *c().grdFiles1->model();
    EXPECT_EQ(cells.rowCount(), 3);
    EXPECT_EQ(cells.columnCount(), 2);
    EXPECT_EQ(cells.index(2, 1).data().toString(), "two-one");
    // The view's highlighted cell follows when the event loop runs.
    QCoreApplication::processEvents();
    EXPECT_EQ(c().grdFiles1->currentIndex().row(), 2);
    EXPECT_EQ(c().grdFiles1->currentIndex().column(), 1);

    grid.ColWidth(0, 15000);
    EXPECT_EQ(c().grdFiles1->columnWidth(0), 1000);
    grid.Rows(1);
    grid.Clear();
    EXPECT_EQ(cells.rowCount(), 1);
    EXPECT_EQ(queuedPaths(), Paths{""});
}

TEST_F(TheGridView, ShowsANameThatIsNoUtf8AsWellAsItCanWhileTheQueueKeepsItsBytes) {
    const std::string latin1 = "/m/r\xE9sum\xE9.eml";
    window().fileQueue().AddQueueRow(latin1);
    window().fileQueue().AddQueueRow("/m/\xC3\xA9t\xC3\xA9.eml");
    EXPECT_EQ(window().selectRow(0), latin1);
    EXPECT_EQ(c().grdFiles1->model()->index(1, 0).data().toString(),
              QString::fromUtf8("/m/\u00e9t\u00e9.eml"));
}

using JobSeams = WindowTest;

TEST_F(JobSeams, TheQueueReadsOutRowByRowAndTheGridFollows) {
    EXPECT_EQ(window().rowCount(), 1);
    EXPECT_EQ(window().selectRow(0), "");
    addFiles({"a.eml", "b.eml", "c.eml"});
    ASSERT_EQ(window().rowCount(), 3);
    EXPECT_EQ(window().selectRow(1), "/m/b.eml");
    QCoreApplication::processEvents();
    EXPECT_EQ(c().grdFiles1->currentIndex().row(), 1);
    EXPECT_EQ(window().selectRow(0), "/m/a.eml");
    EXPECT_EQ(errorNumberOf([&] { window().selectRow(3); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { window().selectRow(-1); }), errc::kSubscriptOutOfRange);
    // Reading changes nothing in the queue.
    EXPECT_EQ(queuedPaths(), (Paths{"/m/a.eml", "/m/b.eml", "/m/c.eml"}));
}

TEST_F(JobSeams, RunEventsBecomeTheCaptionsTheBarAndTheStopButton) {
    convert::ProgressSink& sink = window();
    sink.runStarted();
    EXPECT_EQ(c().ProgressBar1->Max(), 100);
    EXPECT_EQ(c().CmdExtractDBX->text(), "&Stop");
    EXPECT_TRUE(c().CmdExtractDBX->isEnabled());
    EXPECT_TRUE(window().converting());

    std::vector<float> bar;
    for (std::int64_t done = 1; done <= 3; ++done) {
        convert::JobProgress progress;
        progress.done = done;
        progress.total = 3;
        progress.folder = done == 3 ? "B\\<b>" : "A";
        sink.runProgressed(progress);
        bar.push_back(c().ProgressBar1->Value());
    }
    EXPECT_EQ(bar, (std::vector<float>{33.333332f, 66.666664f, 100.0f}));
    EXPECT_EQ(c().FrameConversion->title(), "Details : Converting - (3 of 3) file(s)");
    EXPECT_EQ(c().LblCurrentDBX->text(), "Converting Messages... from (B\\<b>)");
    EXPECT_EQ(c().LblCurrentDBX->textFormat(), Qt::PlainText);
    EXPECT_EQ(c().LblProgessCurrent->text(), "Message 0 (of 0)");

    convert::RunResult result;
    result.taken = 3;
    sink.runEnded(result);
    EXPECT_EQ(c().CmdExtractDBX->text(), "Convert &Messages");
    EXPECT_FALSE(c().CmdExtractDBX->isEnabled());
    EXPECT_FALSE(window().converting());

    // A run that took up no message (it failed while preparing) leaves Convert enabled.
    sink.runStarted();
    sink.runEnded(convert::RunResult{});
    EXPECT_TRUE(c().CmdExtractDBX->isEnabled());
}

// With an archive queued one row is many messages: the frame and the bar follow the
// messages, counted in groups of thousands, not the rows.
TEST_F(JobSeams, AnArchiveRunCountsMessagesNotRows) {
    convert::ProgressSink& sink = window();
    sink.runStarted();
    convert::JobProgress progress;
    progress.done = 1;
    progress.total = 2;
    progress.folder = "/m/export.tgz";
    progress.messagesDone = 1234;
    progress.messagesTotal = 100000;
    progress.archivesQueued = true;
    sink.runProgressed(progress);
    EXPECT_EQ(c().FrameConversion->title(), "Details : Converting - (1,234 of 100,000) messages");
    EXPECT_EQ(c().LblCurrentDBX->text(), "Converting Messages... from (/m/export.tgz)");
    EXPECT_FLOAT_EQ(c().ProgressBar1->Value(), 1.234f);
}

TEST_F(JobSeams, RowsRemovedMidRunHoldTheBarAtItsEnd) {
    convert::ProgressSink& sink = window();
    sink.runStarted();
    convert::JobProgress progress;
    progress.done = 3;
    progress.total = 1;  // the queue was cleared to one row meanwhile
    sink.runProgressed(progress);
    EXPECT_FLOAT_EQ(c().ProgressBar1->Value(), 100.0f);
    EXPECT_EQ(c().ProgressBar1->value(), c().ProgressBar1->maximum());
}

TEST_F(JobSeams, BarValuesOutsideTheRangeAreHeldAtItsEnds) {
    ProgressBarControl& bar = *c().ProgressBar1;
    bar.SetRange(10, 20);
    bar.SetValue(25.0f);
    EXPECT_FLOAT_EQ(bar.Value(), 20.0f);
    EXPECT_EQ(bar.value(), bar.maximum());
    bar.SetValue(-3.0f);
    EXPECT_FLOAT_EQ(bar.Value(), 10.0f);
    EXPECT_EQ(bar.value(), 0);
    bar.SetRange(0, 0);  // an empty range shows an empty bar
    bar.SetValue(0.0f);
    EXPECT_EQ(bar.value(), 0);
}

}  // namespace
}  // namespace tolvane::app
