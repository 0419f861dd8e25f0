#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "JobHarness.h"

namespace tolvane::convert {
namespace {

using Tree = std::map<std::string, std::int64_t>;

class ConversionJobTest : public testing::JobTest {
  protected:
    // The store-side folder path of the test folder in POSIX syntax: tmp\tolvane-XXXXXX.
    std::string posixBase() const {
        std::string base = dir.path().relative_path().string();
        std::replace(base.begin(), base.end(), '/', '\\');
        return base;
    }

    // Every ancestor of `folders` too, each with no messages unless given.
    Tree withAncestors(const Tree& folders) const {
        Tree tree{{"Deleted Items", 0}};
        for (const auto& [path, count] : folders) {
            for (auto at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
                tree.emplace(path.substr(0, at), 0);
            }
            tree[path] = count;
        }
        return tree;
    }

    const MessageBoxRequest& onlyBox() const {
        EXPECT_EQ(ui.messageBoxes.size(), 1u);
        return ui.messageBoxes.back();
    }
};

TEST_F(ConversionJobTest, CancellingThePickerChangesNothing) {
    queueMessages({"C:\\A\\x.eml"});
    run();
    EXPECT_EQ(ui.folderTitles, std::vector<std::string>{"Choose Folder to Save..."});
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_FALSE(progress.barRange.has_value());
    EXPECT_TRUE(profile->stores().empty());
    EXPECT_EQ(job.lastRun().outcome, RunReport::Outcome::Cancelled);
}

TEST_F(ConversionJobTest, NamesTheStoreFromTwoClockReadingsInTheDestination) {
    ui.folderAnswers = {dir.path().string()};
    times = {{2026, 12, 6, 4, 5, 7}, {2026, 12, 6, 4, 5, 8}};
    queueMessages({"C:\\A\\x.eml"});
    run();
    EXPECT_EQ(state.destFolder, dir.path().string() + "/");
    EXPECT_EQ(job.lastRun().storePath, dir.path().string() + "/ZimbraMails6.12.26 4.5.07.pst");
    EXPECT_EQ(state.storeDisplayName, "Zimbra Mails : Created - 6.12.26 4.5.08");
    EXPECT_TRUE(std::filesystem::exists(job.lastRun().storePath));
}

TEST_F(ConversionJobTest, ADriveRootDestinationKeepsItsSingleBackslash) {
    ui.folderAnswers = {"C:\\"};
    queueMessages({"C:\\A\\x.eml"});
    run();
    EXPECT_EQ(state.destFolder, "C:\\");
    EXPECT_EQ(job.lastRun().storePath, "C:\\ZimbraMails6.12.26 4.5.07.pst");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "C:\\ZimbraMails6.12.26 4.5.07.pst"));

    ui.folderAnswers = {"C:\\Out"};
    run();
    EXPECT_EQ(state.destFolder, "C:\\Out\\");
}

TEST_F(ConversionJobTest, FoldersMirrorTheTreeBelowTheDriveAndMergeAcrossDrives) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\A\\B\\x.eml", "D:\\A\\C\\y.eml", "C:\\A\\B\\z.eml", "E:\\Top\\t.eml"});
    run();
    EXPECT_EQ(treeOf(lastStore()),
              (Tree{{"Deleted Items", 0}, {"A", 0}, {"A\\B", 2}, {"A\\C", 1}, {"Top", 1}}));
    EXPECT_TRUE(job.lastRun().failures.empty());
    EXPECT_EQ(state.workingPathList, (PathList{"A", "A\\B", "A\\C", "Top"}));
}

TEST_F(ConversionJobTest, PosixPathsMirrorTheTreeBelowTheRoot) {
    ui.folderAnswers = {dir.path().string()};
    const std::string root = dir.path().string();
    queueMessages(
        {root + "/Mail/Inbox/a.eml", root + "/Mail/Inbox/b.eml", root + "/Mail/Sent/c.eml"});
    queue.rows.back() = "  " + queue.rows.back() + "  ";  // spaces around a row are ignored
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    EXPECT_EQ(treeOf(lastStore()), withAncestors({{posixBase() + "\\Mail\\Inbox", 2},
                                                  {posixBase() + "\\Mail\\Sent", 1}}));
}

TEST_F(ConversionJobTest, TheSameFileQueuedTwiceIsImportedTwice) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\A\\x.eml"});
    queue.rows.push_back("C:\\A\\x.eml");
    run();
    EXPECT_EQ(treeOf(lastStore()), (Tree{{"Deleted Items", 0}, {"A", 2}}));
}

TEST_F(ConversionJobTest, NamesDifferingOnlyInCaseShareOneFolder) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\Inbox\\a.eml", "D:\\inbox\\b.eml", "C:\\A\\Sub\\c.eml", "C:\\A\\sub\\d.eml",
                   "C:\\deleted items\\e.eml"});
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    // The first in code-unit order names the folder; the store refuses the other spelling.
    EXPECT_EQ(treeOf(lastStore()),
              (Tree{{"Deleted Items", 1}, {"A", 0}, {"A\\Sub", 2}, {"Inbox", 2}}));
}

TEST_F(ConversionJobTest, BatchSuffixedFoldersMergeIntoTheirBaseFolder) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\Inbox\\a.eml", "C:\\Inbox!1\\b.eml", "C:\\Inbox!12\\c.eml",
                   "C:\\Inbox!0\\d.eml", "C:\\Work!2\\Sub!3\\e.eml"});
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    // No folder with a bang is made from the list; messages whose cleaned folder is missing
    // get it made, with its parents.
    EXPECT_EQ(
        treeOf(lastStore()),
        (Tree{{"Deleted Items", 0}, {"Inbox", 3}, {"Inbox!0", 1}, {"Work", 0}, {"Work\\Sub", 1}}));
}

TEST_F(ConversionJobTest, ThreeMessagesReportProgressAfterEachInSinglePrecision) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\A\\1.eml", "C:\\B\\2.eml", "C:\\B\\C\\3.eml"});
    run();
    EXPECT_EQ(progress.barRange, (std::pair{0, 100}));
    EXPECT_EQ(progress.barValues, (std::vector<float>{33.333332f, 66.666664f, 100.0f}));
    EXPECT_EQ(progress.frameCaptions,
              (std::vector<std::string>{"Details : Converting - (1 of 3) file(s)",
                                        "Details : Converting - (2 of 3) file(s)",
                                        "Details : Converting - (3 of 3) file(s)"}));
    EXPECT_EQ(progress.labelCaptions,
              (std::vector<std::string>{"Converting Messages... from (A)",
                                        "Converting Messages... from (B)",
                                        "Converting Messages... from (B\\C)"}));
}

TEST_F(ConversionJobTest, ANormalEndLeavesTheQueueAndDisablesConvert) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml"});
    const auto rowsBefore = queue.rows;
    run();
    EXPECT_EQ(queue.rows, rowsBefore);
    EXPECT_EQ(queue.currentRow, 1);
    EXPECT_EQ(progress.convertEnabled, (std::vector<bool>{false, false}));
    EXPECT_EQ(progress.barValues.back(), 100.0f);
    EXPECT_EQ(progress.frameCaptions.back(), "Details : Converting - (2 of 2) file(s)");
    EXPECT_EQ(state.session, nullptr);
    EXPECT_FALSE(lastStore()->isOpen());
    const auto& box = onlyBox();
    EXPECT_EQ(box.text, "Open Outlook to view converted PST file.");
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_TRUE(box.details.empty());
    // Yields: after the picker and the range, around the sorts, per folder entry, per message,
    // and before logoff; the closing box comes after the last one.
    EXPECT_EQ(ui.doEventsCalls, 2 + 3 + 1 + 2 + 1);
    EXPECT_EQ(ui.log.back(), "messageBox:Open Outlook to view converted PST file.");
}

TEST_F(ConversionJobTest, AMessageThatCannotBeReadGetsNoItemAndIsReported) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\A\\good.eml", "C:\\A\\gone.eml", "C:\\B\\also-gone.eml"});
    std::filesystem::remove("C:\\A\\gone.eml");
    std::filesystem::remove("C:\\B\\also-gone.eml");
    run();
    EXPECT_EQ(treeOf(lastStore()), (Tree{{"Deleted Items", 0}, {"A", 1}, {"B", 0}}));
    const auto& box = onlyBox();
    EXPECT_EQ(box.text,
              "Open Outlook to view converted PST file.\r\n"
              "2 of 3 message file(s) could not be converted.");
    EXPECT_NE(box.details.find("C:\\A\\gone.eml: "), std::string::npos) << box.details;
    EXPECT_NE(box.details.find("C:\\B\\also-gone.eml: "), std::string::npos) << box.details;
    ASSERT_EQ(job.lastRun().failures.size(), 2u);
    EXPECT_NE(job.lastRun().failures[0].reason.find("gone.eml"), std::string::npos)
        << job.lastRun().failures[0].reason;
    EXPECT_EQ(progress.barValues.size(), 3u);
}

class ErrorBoxTest : public ConversionJobTest {
  protected:
    void expectErrorBox(const std::string& cause) {
        const auto& box = onlyBox();
        EXPECT_EQ(box.title, "Outlook Error");
        EXPECT_EQ(box.icon, MsgIcon::Information);
        EXPECT_EQ(box.text,
                  "Outlook Session Creation Error !\r\n"
                  "Check if Outlook is installed and configured.\r\n"
                  "For more details visit this link : "
                  "file:///opt/tolvane/help.html#troubleshooting\r\n" +
                      cause);
        EXPECT_EQ(job.lastRun().outcome, RunReport::Outcome::Failed);
        // Nothing of the progress area changed, Convert stays enabled, the session is held.
        EXPECT_TRUE(progress.frameCaptions.empty());
        EXPECT_TRUE(progress.labelCaptions.empty());
        EXPECT_TRUE(progress.barValues.empty());
        EXPECT_TRUE(progress.convertEnabled.empty());
        EXPECT_EQ(progress.barRange, (std::pair{0, 100}));
        ASSERT_NE(state.session, nullptr);
        EXPECT_TRUE(state.session->LoggedOn());
    }
};

TEST_F(ErrorBoxTest, AClearedQueueCreatesTheStoreThenShowsTheErrorBox) {
    ui.folderAnswers = {"."};
    run();
    expectErrorBox("The queue is empty: add message files before converting.");
    EXPECT_TRUE(std::filesystem::exists(job.lastRun().storePath));
    EXPECT_EQ(treeOf(lastStore()), (Tree{{"Deleted Items", 0}}));
}

TEST_F(ErrorBoxTest, AFileDirectlyInARootShowsTheErrorBoxNamingIt) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\A\\x.eml", "C:\\a.eml"});
    run();
    expectErrorBox("The queued file lies directly in the root folder of its drive: C:\\a.eml");
    EXPECT_EQ(treeOf(lastStore()), (Tree{{"Deleted Items", 0}}));
}

TEST_F(ErrorBoxTest, APosixFileInTheRootOrAPathWithoutDriveShowsTheErrorBox) {
    ui.folderAnswers = {"."};
    queue.rows = {"/a.eml"};
    run();
    expectErrorBox("The queued file lies directly in the root folder of its drive: /a.eml");

    ui.messageBoxes.clear();
    ui.folderAnswers = {"."};
    queue.rows = {"\\\\server\\share\\x.eml"};
    run();
    expectErrorBox(
        "The queued path has neither a drive (C:) nor a root (/): \\\\server\\share\\x.eml");
}

TEST_F(ErrorBoxTest, AnExistingStoreFileIsNeverOverwritten) {
    queueMessages({"C:\\A\\x.eml"});
    const std::string pst = dir.path().string() + "/ZimbraMails6.12.26 4.5.07.pst";
    ui.folderAnswers = {dir.path().string()};
    times = {{2026, 12, 6, 4, 5, 7}, {2026, 12, 6, 4, 5, 7}};
    run();
    const auto firstSize = std::filesystem::file_size(pst);
    ui.messageBoxes.clear();
    progress = {};
    ui.folderAnswers = {dir.path().string()};
    times = {{2026, 12, 6, 4, 5, 7}, {2026, 12, 6, 4, 5, 7}};
    run();
    expectErrorBox("The file already exists: " + pst);
    EXPECT_EQ(std::filesystem::file_size(pst), firstSize);
}

TEST_F(ErrorBoxTest, ASessionThatCannotBeCreatedShowsTheErrorBoxAndTheNextRunReplacesIt) {
    queueMessages({"C:\\A\\x.eml"});
    ui.folderAnswers = {"."};
    queue.rows.push_back("C:\\root.eml");
    run();
    ASSERT_NE(state.session, nullptr);
    const auto heldStore = lastStore();
    EXPECT_TRUE(heldStore->isOpen());  // still held after the failure

    queue.rows.pop_back();
    ui.folderAnswers = {"."};
    run();
    EXPECT_FALSE(heldStore->isOpen());  // replaced and closed without Logoff
    EXPECT_EQ(job.lastRun().outcome, RunReport::Outcome::Completed);

    JobEnvironment broken = environment();
    broken.createSession = []() -> std::unique_ptr<store::Session> {
        throw AppError(429, "ActiveX component can't create object");
    };
    ConversionJob failing(ui, queue, progress, state, broken);
    ui.messageBoxes.clear();
    ui.folderAnswers = {"."};
    failing.CmdExtractDBX_Click();
    EXPECT_EQ(ui.messageBoxes.back().text.substr(ui.messageBoxes.back().text.rfind('\n') + 1),
              "ActiveX component can't create object");
}

TEST_F(ConversionJobTest, ASecondClickDuringARunStartsNothing) {
    ui.folderAnswers = {".", "."};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml"});
    ui.onDoEvents = [this](int call) {
        if (call == 4) {
            run();
        }
    };
    run();
    EXPECT_EQ(ui.folderTitles.size(), 1u);
    EXPECT_EQ(profile->stores().size(), 1u);
    EXPECT_EQ(treeOf(lastStore()), (Tree{{"Deleted Items", 0}, {"A", 2}}));
}

TEST_F(ConversionJobTest, RowsClearedDuringTheRunAreSkippedAndCounted) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml", "C:\\A\\3.eml"});
    int messagesStarted = 0;
    ui.onDoEvents = [&](int) {
        if (!progress.barValues.empty() && ++messagesStarted == 1) {
            queue.rows.clear();  // the user confirmed "Clear File(s)..." mid-run
            workingPathList = {""};
        }
    };
    run();
    EXPECT_EQ(treeOf(lastStore()), (Tree{{"Deleted Items", 0}, {"A", 1}}));
    ASSERT_EQ(job.lastRun().failures.size(), 2u);
    EXPECT_EQ(job.lastRun().failures[0].reason, "removed from the queue during the conversion");
    EXPECT_NE(onlyBox().text.find("2 of 3 message file(s) could not be converted."),
              std::string::npos);
}

// The files are announced in queue order, as the job will ask for them, and withdrawn when
// the run ends however it ends, so nothing is read for a run that is over.
TEST_F(ConversionJobTest, TheQueuedFilesAreAnnouncedForReadingAheadAndWithdrawnAtTheEnd) {
    ui.folderAnswers = {".", "."};
    queueMessages({"C:\\B\\2.eml", "C:\\A\\1.eml"});
    run();
    const std::vector<std::vector<std::string>> normalEnd{{"C:\\B\\2.eml", "C:\\A\\1.eml"}, {}};
    EXPECT_EQ(readAheadLists, normalEnd);
    EXPECT_EQ(treeOf(lastStore()), (Tree{{"Deleted Items", 0}, {"A", 1}, {"B", 1}}));

    readAheadLists.clear();
    progress.barValues.clear();
    ui.onDoEvents = [&](int) {
        if (progress.barValues.size() == 1) {
            job.requestStop();
        }
    };
    run();
    ASSERT_EQ(job.lastRun().outcome, RunReport::Outcome::Stopped);
    ASSERT_EQ(readAheadLists.size(), 2u);
    EXPECT_TRUE(readAheadLists.back().empty());
}

TEST_F(ConversionJobTest, AStopRequestEndsTheRunAtTheNextYieldWithThePstClosed) {
    ui.folderAnswers = {"."};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml", "C:\\A\\3.eml"});
    ui.onDoEvents = [&](int) {
        if (progress.barValues.size() == 2) {
            job.requestStop();  // the window is closing
        }
    };
    run();
    EXPECT_EQ(job.lastRun().outcome, RunReport::Outcome::Stopped);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(state.session, nullptr);
    EXPECT_FALSE(lastStore()->isOpen());
    EXPECT_EQ(treeOf(lastStore()), (Tree{{"Deleted Items", 0}, {"A", 2}}));
    EXPECT_TRUE(std::filesystem::exists(job.lastRun().storePath));
}

}  // namespace
}  // namespace tolvane::convert
