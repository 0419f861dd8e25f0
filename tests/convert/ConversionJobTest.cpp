#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "JobHarness.h"
#include "RecordingEngines.h"
#include "mime/EmlImport.h"
#include "pst/PstError.h"

namespace tolvane::convert {
namespace {

using Tree = std::map<std::string, std::int64_t>;
using testing::PstContents;
using testing::readPst;

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

    // A file in the test folder, which the tests pick as the destination.
    std::string here(const std::string& name) const { return dir.path().string() + "/" + name; }

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
    EXPECT_EQ(progress.started, 0);
    EXPECT_TRUE(progress.ended.empty());
    EXPECT_TRUE(profile->stores().empty());
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Cancelled);
}

TEST_F(ConversionJobTest, NamesTheStoreFromTwoClockReadingsInTheDestination) {
    ui.folderAnswers = {dir.path().string()};
    times = {{2026, 12, 6, 4, 5, 7}, {2026, 12, 6, 4, 5, 8}};
    queueMessages({"C:\\A\\x.eml"});
    run();
    EXPECT_EQ(state.destFolder, dir.path().string() + "/");
    EXPECT_EQ(job.lastRun().storePath, dir.path().string() + "/ZimbraMails6.12.26 4.5.07.pst");
    EXPECT_EQ(state.storeDisplayName, "Zimbra Mails : Created - 6.12.26 4.5.08");
    EXPECT_EQ(pstFilesHere(), std::vector<std::string>{"ZimbraMails6.12.26 4.5.07.pst"});
}

TEST_F(ConversionJobTest, ADriveRootDestinationKeepsItsSingleBackslash) {
    // Folders of these names in the test folder, so the destination check finds them here.
    std::filesystem::create_directory("C:\\");
    std::filesystem::create_directory("C:\\Out");
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
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\B\\x.eml", "D:\\A\\C\\y.eml", "C:\\A\\B\\z.eml", "E:\\Top\\t.eml"});
    run();
    EXPECT_EQ(pstTree(),
              (Tree{{"Deleted Items", 0}, {"A", 0}, {"A\\B", 2}, {"A\\C", 1}, {"Top", 1}}));
    EXPECT_TRUE(job.lastRun().failures.empty());
    EXPECT_EQ(state.workingPathList, (PathList{"A", "A\\B", "A\\C", "Top"}));
}

TEST_F(ConversionJobTest, PosixPathsMirrorTheTreeBelowTheRoot) {
    ui.folderAnswers = {dir.path().string()};
    const std::string root = dir.path().string();
    queueMessages(
        {root + "/Mail/Inbox/a.eml", root + "/Mail/Inbox/b.eml", root + "/Mail/Sent/c.eml"});
    // Spaces around a row are part of its name: that file does not exist, and is reported.
    queue.rows.back() = "  " + queue.rows.back() + "  ";
    run();
    ASSERT_EQ(job.lastRun().failures.size(), 1u);
    EXPECT_EQ(job.lastRun().failures[0].path, queue.rows.back());
    EXPECT_EQ(pstTree(), withAncestors({{posixBase() + "\\Mail\\Inbox", 2},
                                        {posixBase() + "\\Mail\\Sent", 0}}));
}

TEST_F(ConversionJobTest, TheSameFileQueuedTwiceIsImportedTwice) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\x.eml"});
    queue.rows.push_back("C:\\A\\x.eml");
    run();
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 2}}));
}

TEST_F(ConversionJobTest, NamesDifferingOnlyInCaseShareOneFolder) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\Inbox\\a.eml", "D:\\inbox\\b.eml", "C:\\A\\Sub\\c.eml", "C:\\A\\sub\\d.eml",
                   "C:\\deleted items\\e.eml"});
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    // The first in code-unit order names the folder; the store refuses the other spelling.
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 1}, {"A", 0}, {"A\\Sub", 2}, {"Inbox", 2}}));
}

TEST_F(ConversionJobTest, BatchSuffixedFoldersMergeIntoTheirBaseFolder) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\Inbox\\a.eml", "C:\\Inbox!1\\b.eml", "C:\\Inbox!12\\c.eml",
                   "C:\\Inbox!0\\d.eml", "C:\\Work!2\\Sub!3\\e.eml"});
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    // No folder with a bang is made from the list; messages whose cleaned folder is missing
    // get it made, with its parents.
    EXPECT_EQ(
        pstTree(),
        (Tree{{"Deleted Items", 0}, {"Inbox", 3}, {"Inbox!0", 1}, {"Work", 0}, {"Work\\Sub", 1}}));
}

TEST_F(ConversionJobTest, EachMessageReportsDoneTotalFolderAndCounts) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\B\\2.eml", "C:\\B\\gone.eml", "C:\\B\\C\\3.eml"});
    std::filesystem::remove("C:\\B\\gone.eml");
    run();
    EXPECT_EQ(progress.started, 1);
    std::vector<std::string> seen;
    for (const JobProgress& p : progress.events) {
        seen.push_back(std::to_string(p.done) + "/" + std::to_string(p.total) + " " + p.folder +
                       " stored " + std::to_string(p.stored) + " failed " +
                       std::to_string(p.failed));
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"1/4 A stored 1 failed 0", "2/4 B stored 2 failed 0",
                                        "3/4 B stored 2 failed 1", "4/4 B\\C stored 3 failed 1"}));
    ASSERT_EQ(progress.ended.size(), 1u);
    EXPECT_EQ(progress.ended[0].outcome, RunResult::Outcome::Completed);
    // What the file holds, not what the queue had.
    EXPECT_EQ(progress.ended[0].stored, 3u);
    EXPECT_EQ(progress.ended[0].queued, 4);
    EXPECT_EQ(readPst(job.lastRun().storePath).messages(), 3);
}

// An archive is one row of many messages: progress comes after each message it gives, and
// counts messages against the total counted when the queue was made. One cut short (fewer
// read than counted) jumps to its end when its row is done, so the next row goes on from
// there and the last event is the whole total.
TEST_F(ConversionJobTest, AnArchiveReportsEachMessageAgainstTheQueuedTotal) {
    const std::string cut = TOLVANE_SOURCE_ARCHIVES "/truncated.tgz";
    ASSERT_TRUE(std::filesystem::exists(cut)) << "missing test input " << cut;
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml"});
    queue.rows.push_back(cut);
    queueMessages({"C:\\A\\2.eml"});
    queue.messages = {1, 40, 1};
    run();

    ASSERT_FALSE(progress.events.empty());
    std::vector<std::int64_t> done;
    for (const JobProgress& p : progress.events) {
        EXPECT_TRUE(p.archivesQueued);
        EXPECT_EQ(p.messagesTotal, 42);
        if (done.empty() || done.back() != p.messagesDone) {
            done.push_back(p.messagesDone);
        }
    }
    const auto read = static_cast<std::int64_t>(done.size()) - 3;  // all but 1, 41 and 42
    ASSERT_GT(read, 0);
    ASSERT_LT(read, 40);
    std::vector<std::int64_t> expected;
    for (std::int64_t k = 1; k <= 1 + read; ++k) {
        expected.push_back(k);
    }
    expected.push_back(41);
    expected.push_back(42);
    EXPECT_EQ(done, expected);
    EXPECT_EQ(progress.events.back().done, 3);
    EXPECT_EQ(progress.events.back().total, 3);
}

TEST_F(ConversionJobTest, ANormalEndLeavesTheQueueAndDisablesConvert) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml"});
    const auto rowsBefore = queue.rows;
    run();
    EXPECT_EQ(queue.rows, rowsBefore);
    EXPECT_EQ(queue.currentRow, 1);
    ASSERT_EQ(progress.ended.size(), 1u);
    EXPECT_EQ(progress.ended[0].taken, 2);
    EXPECT_EQ(state.session, nullptr);
    EXPECT_FALSE(lastStore()->isOpen());
    const auto& box = onlyBox();
    EXPECT_EQ(box.text,
              "Open Outlook to view converted PST file.\r\n"
              "2 of 2 message(s) converted into " +
                  here("ZimbraMails6.12.26 4.5.07.pst"));
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_TRUE(box.details.empty());
    // Yields: after the picker and the range, around the sorts, per folder entry, per message,
    // and before logoff; the closing box comes after the last one.
    EXPECT_EQ(ui.doEventsCalls, 2 + 3 + 1 + 2 + 1);
    EXPECT_EQ(ui.log.back(), "messageBox:" + box.text);
}

TEST_F(ConversionJobTest, AMessageThatCannotBeReadGetsNoItemAndIsReported) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\good.eml", "C:\\A\\gone.eml", "C:\\B\\also-gone.eml"});
    std::filesystem::remove("C:\\A\\gone.eml");
    std::filesystem::remove("C:\\B\\also-gone.eml");
    run();
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 1}, {"B", 0}}));
    const auto& box = onlyBox();
    EXPECT_EQ(box.text,
              "Open Outlook to view converted PST file.\r\n"
              "1 of 3 message(s) converted into " +
                  here("ZimbraMails6.12.26 4.5.07.pst") +
                  "\r\n2 of 3 message file(s) could not be converted.");
    EXPECT_NE(box.details.find("C:\\A\\gone.eml: "), std::string::npos) << box.details;
    EXPECT_NE(box.details.find("C:\\B\\also-gone.eml: "), std::string::npos) << box.details;
    ASSERT_EQ(job.lastRun().failures.size(), 2u);
    EXPECT_NE(job.lastRun().failures[0].reason.find("gone.eml"), std::string::npos)
        << job.lastRun().failures[0].reason;
    EXPECT_EQ(progress.events.size(), 3u);
}

class ErrorBoxTest : public ConversionJobTest {
  protected:
    // The box keeps its title and the manual's link; what went wrong comes first, and
    // nothing sends the user to Outlook, which Tolvane does not need.
    static void expectErrorBoxSaying(const MessageBoxRequest& box, const std::string& cause) {
        EXPECT_EQ(box.title, "Outlook Error");
        EXPECT_EQ(box.icon, MsgIcon::Information);
        EXPECT_EQ(box.text, cause +
                                "\r\nFor more details visit this link : "
                                "file:///opt/tolvane/help.html#troubleshooting");
    }

    void expectErrorBox(const std::string& cause) {
        expectErrorBoxSaying(onlyBox(), cause);
        EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Failed);
        EXPECT_EQ(job.lastRun().errorCause, cause);
        // No message was taken up (so Convert stays enabled), the session is held.
        EXPECT_TRUE(progress.events.empty());
        ASSERT_EQ(progress.ended.size(), 1u);
        EXPECT_EQ(progress.ended[0].taken, 0);
        ASSERT_NE(state.session, nullptr);
        EXPECT_TRUE(state.session->LoggedOn());
    }
};

TEST_F(ConversionJobTest, AnEmptyQueueSaysSoAndWritesNoFile) {
    ui.folderAnswers = {dir.path().string()};
    run();
    EXPECT_TRUE(ui.folderTitles.empty());
    const auto& box = onlyBox();
    EXPECT_EQ(box.text,
              "There is nothing to convert: the queue is empty. Add message files first.");
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::NothingToConvert);
    EXPECT_EQ(progress.started, 0);
    EXPECT_TRUE(profile->stores().empty());
    EXPECT_TRUE(pstFilesHere().empty());
}

TEST_F(ErrorBoxTest, AFileDirectlyInARootShowsTheErrorBoxNamingIt) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\x.eml", "C:\\a.eml"});
    run();
    expectErrorBox("The queued file lies directly in the root folder of its drive: C:\\a.eml");
    // The queue is checked before the store file is made: nothing is left behind.
    EXPECT_TRUE(profile->stores().empty());
    EXPECT_TRUE(pstFilesHere().empty());
}

TEST_F(ErrorBoxTest, APosixFileInTheRootOrAPathWithoutDriveShowsTheErrorBox) {
    ui.folderAnswers = {dir.path().string()};
    queue.rows = {"/a.eml"};
    run();
    expectErrorBox("The queued file lies directly in the root folder of its drive: /a.eml");

    ui.messageBoxes.clear();
    progress.ended.clear();
    ui.folderAnswers = {dir.path().string()};
    queue.rows = {"\\\\server\\share\\x.eml"};
    run();
    expectErrorBox(
        "The queued path has neither a drive (C:) nor a root (/): \\\\server\\share\\x.eml");
}

// Two runs into one folder in the same second (a script converting Inbox, then Sent): the
// second gets a file of its own, numbered, and the first is never touched.
TEST_F(ConversionJobTest, EachRunGetsItsOwnFileANumberedOneWhenTheNameIsTaken) {
    queueMessages({"C:\\A\\x.eml"});
    const std::string first = here("ZimbraMails6.12.26 4.5.07.pst");
    for (int round = 0; round < 3; ++round) {
        ui.folderAnswers = {dir.path().string()};
        times = {{2026, 12, 6, 4, 5, 7}, {2026, 12, 6, 4, 5, 7}};
        run();
        EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Completed) << round;
        EXPECT_EQ(state.storeDisplayName, "Zimbra Mails : Created - 6.12.26 4.5.07");
        EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 1}})) << round;
    }
    EXPECT_EQ(job.lastRun().storePath, here("ZimbraMails6.12.26 4.5.07 (3).pst"));
    EXPECT_EQ(pstFilesHere(), (std::vector<std::string>{"ZimbraMails6.12.26 4.5.07 (2).pst",
                                                        "ZimbraMails6.12.26 4.5.07 (3).pst",
                                                        "ZimbraMails6.12.26 4.5.07.pst"}));
    EXPECT_EQ(readPst(first).messages(), 1);
}

TEST_F(ErrorBoxTest, ASessionThatCannotBeCreatedShowsTheErrorBoxAndTheNextRunReplacesIt) {
    queueMessages({"C:\\A\\x.eml"});
    ui.folderAnswers = {dir.path().string()};
    queue.rows.push_back("C:\\root.eml");
    run();
    ASSERT_NE(state.session, nullptr);  // still held, logged on, after the failure
    EXPECT_TRUE(state.session->LoggedOn());

    queue.rows.pop_back();
    ui.folderAnswers = {dir.path().string()};
    run();
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(state.session, nullptr);
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 1}}));

    JobEnvironment broken = environment();
    broken.createSession = []() -> std::unique_ptr<store::Session> {
        throw AppError(429, "ActiveX component can't create object");
    };
    ConversionJob failing(ui, queue, progress, state, broken);
    ui.messageBoxes.clear();
    ui.folderAnswers = {dir.path().string()};
    failing.CmdExtractDBX_Click();
    expectErrorBoxSaying(
        onlyBox(), "The store session could not be opened: ActiveX component can't create object");
}

// A destination that cannot be written to is refused when it is picked, with the reason in
// plain words, and the picker comes again; nothing has started.
TEST_F(ErrorBoxTest, ADestinationThatCannotBeWrittenToIsRefusedAndAnotherCanBePicked) {
    queueMessages({"C:\\A\\x.eml"});
    const std::string missing = here("gone");
    const std::string aFile = here("C:\\A\\x.eml");
    ui.folderAnswers = {missing, aFile, dir.path().string()};
    run();
    EXPECT_EQ(ui.folderTitles.size(), 3u);
    ASSERT_EQ(ui.messageBoxes.size(), 3u);
    expectErrorBoxSaying(ui.messageBoxes[0],
                         "Cannot write to " + missing + ": no such file or directory");
    expectErrorBoxSaying(ui.messageBoxes[1], "Cannot write to " + aFile + ": not a directory");
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(progress.started, 1);
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 1}}));

    // Cancelled after a refusal: nothing at all.
    ui.messageBoxes.clear();
    progress = {};
    ui.folderAnswers = {missing};
    run();
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Cancelled);
    EXPECT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(progress.started, 0);
}

// A cause about the store file is said as what it is, never as an Outlook error.
TEST_F(ErrorBoxTest, AStoreFileThatCannotBeCreatedIsSaidInPlainWords) {
    store::StoreServices refusing = store::defaultServices();
    refusing.createWriter = [](const std::filesystem::path& path,
                               const std::string&) -> std::unique_ptr<pst::PstWriter> {
        throw pst::PstError("cannot create PST file " + path.string() + ": Permission denied");
    };
    profile = std::make_shared<store::Profile>(refusing);
    outlookState->profile = profile;
    queueMessages({"C:\\A\\x.eml"});
    ui.folderAnswers = {dir.path().string()};
    run();
    expectErrorBox("The PST file could not be created: cannot create PST file " +
                   here("ZimbraMails6.12.26 4.5.07-incomplete.pst") + ": Permission denied");
}

// The command line's way in: the destination comes with the run, no picker is asked, and a
// destination that cannot be written to fails the run with the same words.
TEST_F(ErrorBoxTest, RunIntoAGivenFolderAsksForNothing) {
    queueMessages({"C:\\A\\x.eml"});
    const std::string missing = here("gone");
    EXPECT_EQ(job.run(missing).outcome, RunResult::Outcome::Failed);
    EXPECT_EQ(job.lastRun().errorCause,
              "Cannot write to " + missing + ": no such file or directory");
    EXPECT_EQ(progress.started, 0);
    EXPECT_TRUE(profile->stores().empty());

    ui.messageBoxes.clear();
    EXPECT_EQ(job.run(dir.path().string()).outcome, RunResult::Outcome::Completed);
    EXPECT_TRUE(ui.folderTitles.empty());
    EXPECT_EQ(job.lastRun().storePath, here("ZimbraMails6.12.26 4.5.07.pst"));
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 1}}));
}

TEST_F(ConversionJobTest, ASecondClickDuringARunStartsNothing) {
    ui.folderAnswers = {dir.path().string(), dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml"});
    ui.onDoEvents = [this](int call) {
        if (call == 4) {
            run();
        }
    };
    run();
    EXPECT_EQ(ui.folderTitles.size(), 1u);
    EXPECT_EQ(profile->stores().size(), 1u);
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 2}}));
}

TEST_F(ConversionJobTest, RowsClearedDuringTheRunAreSkippedAndCounted) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml", "C:\\A\\3.eml"});
    int messagesStarted = 0;
    ui.onDoEvents = [&](int) {
        if (!progress.events.empty() && ++messagesStarted == 1) {
            queue.rows.clear();  // the user confirmed "Clear File(s)..." mid-run
            workingPathList = {""};
        }
    };
    run();
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 1}}));
    ASSERT_EQ(job.lastRun().failures.size(), 2u);
    EXPECT_EQ(job.lastRun().failures[0].reason, "removed from the queue during the conversion");
    EXPECT_NE(onlyBox().text.find("2 of 3 message file(s) could not be converted."),
              std::string::npos);
}

// The files are announced in queue order, as the job will ask for them, and withdrawn when
// the run ends however it ends, so nothing is read for a run that is over.
TEST_F(ConversionJobTest, TheQueuedFilesAreAnnouncedForReadingAheadAndWithdrawnAtTheEnd) {
    ui.folderAnswers = {dir.path().string(), dir.path().string()};
    queueMessages({"C:\\B\\2.eml", "C:\\A\\1.eml"});
    run();
    const std::vector<std::vector<std::string>> normalEnd{{"C:\\B\\2.eml", "C:\\A\\1.eml"}, {}};
    EXPECT_EQ(readAheadLists, normalEnd);
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 1}, {"B", 1}}));

    readAheadLists.clear();
    progress.events.clear();
    ui.onDoEvents = [&](int) {
        if (progress.events.size() == 1) {
            job.requestStop();
        }
    };
    run();
    ASSERT_EQ(job.lastRun().outcome, RunResult::Outcome::Stopped);
    ASSERT_EQ(readAheadLists.size(), 2u);
    EXPECT_TRUE(readAheadLists.back().empty());
}

// The files are read while the store file is made, not after: the first stretch is announced
// before it. A store file that cannot be made withdraws them again.
TEST_F(ConversionJobTest, ReadingAheadStartsBeforeTheStoreFileIsMade) {
    std::vector<std::size_t> announcedWhenMade;
    store::StoreServices refusing = store::defaultServices();
    refusing.createWriter = [&](const std::filesystem::path& path,
                                const std::string&) -> std::unique_ptr<pst::PstWriter> {
        announcedWhenMade.push_back(readAheadLists.size());
        throw pst::PstError("cannot create PST file " + path.string() + ": No space left");
    };
    profile = std::make_shared<store::Profile>(refusing);
    outlookState->profile = profile;
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml"});
    ui.folderAnswers = {dir.path().string()};
    run();
    EXPECT_EQ(announcedWhenMade, std::vector<std::size_t>{1});
    const std::vector<std::vector<std::string>> announcedThenWithdrawn{
        {"C:\\A\\1.eml", "C:\\A\\2.eml"}, {}};
    EXPECT_EQ(readAheadLists, announcedThenWithdrawn);
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Failed);
}

// A long queue is announced a stretch at a time, each once the run is halfway through the
// one before: together the whole queue in order, never more than a stretch copied at once.
TEST_F(ConversionJobTest, ALongQueueIsAnnouncedForReadingAheadAStretchAtATime) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml", "C:\\A\\3.eml", "C:\\A\\4.eml", "C:\\A\\5.eml",
                   "C:\\A\\6.eml", "C:\\A\\7.eml"});
    std::vector<std::pair<std::int64_t, std::size_t>> rowAtEachStretch;
    JobEnvironment env = environment();
    env.readAheadStretch = 3;
    std::vector<std::int64_t> rowAtEachAnnouncement;
    env.readAhead = [&](std::vector<std::string> files, const mapi::ImportOptions&) {
        rowAtEachAnnouncement.push_back(queue.currentRow.value_or(-1));
        readAheadLists.push_back(std::move(files));
    };
    env.readAheadMore = [&](std::vector<std::string> files) {
        rowAtEachStretch.emplace_back(queue.currentRow.value_or(-1), files.size());
        readAheadMoreLists.push_back(std::move(files));
    };
    ConversionJob stretched(ui, queue, progress, state, env);
    stretched.CmdExtractDBX_Click();
    ASSERT_EQ(readAheadLists.size(), 2u);
    std::vector<std::string> announced = readAheadLists.front();
    EXPECT_EQ(announced.size(), 3u);
    for (const auto& stretch : readAheadMoreLists) {
        EXPECT_LE(stretch.size(), 3u);
        announced.insert(announced.end(), stretch.begin(), stretch.end());
    }
    EXPECT_EQ(announced, queue.rows);
    // Rows 0-2 first, as soon as they are routed and before the rest of the queue is; 3-5 at
    // row 2, halfway on; 6 at row 5.
    ASSERT_EQ(rowAtEachAnnouncement.size(), 2u);
    EXPECT_EQ(rowAtEachAnnouncement.front(), 2);
    EXPECT_EQ(rowAtEachStretch,
              (std::vector<std::pair<std::int64_t, std::size_t>>{{2, 3}, {5, 1}}));
    EXPECT_TRUE(readAheadLists.back().empty());
    EXPECT_EQ(readPst(stretched.lastRun().storePath).tree, (Tree{{"Deleted Items", 0}, {"A", 7}}));
}

TEST_F(ConversionJobTest, AStopRequestEndsTheRunAtTheNextYieldAndSaysWhatTheFileHolds) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml", "C:\\A\\3.eml"});
    ui.onDoEvents = [&](int) {
        if (progress.events.size() == 2) {
            job.requestStop();  // the Stop button
        }
    };
    run();
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Stopped);
    EXPECT_EQ(state.session, nullptr);
    EXPECT_FALSE(lastStore()->isOpen());
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 2}}));
    EXPECT_EQ(job.lastRun().stored, 2u);
    EXPECT_EQ(pstFilesHere(), std::vector<std::string>{"ZimbraMails6.12.26 4.5.07.pst"});
    EXPECT_EQ(onlyBox().text,
              "Open Outlook to view converted PST file.\r\n"
              "Stopped: 2 of 3 messages are in " +
                  here("ZimbraMails6.12.26 4.5.07.pst"));
    ASSERT_EQ(progress.ended.size(), 1u);
    EXPECT_EQ(progress.ended[0].taken, 2);
}

TEST_F(ConversionJobTest, AStopFromTheProgramEndingShowsNoBox) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml"});
    bool ending = false;
    JobEnvironment env = environment();
    env.stopRequested = [&ending] { return ending; };
    ConversionJob closing(ui, queue, progress, state, env);
    ui.onDoEvents = [&](int) { ending = progress.events.size() == 1; };
    closing.CmdExtractDBX_Click();
    EXPECT_EQ(closing.lastRun().outcome, RunResult::Outcome::Stopped);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(readPst(closing.lastRun().storePath).messages(), 1);
    EXPECT_EQ(closing.lastRun().stored, 1u);
}

// While the run writes, only the working name is on disk; at the end only the final one.
TEST_F(ConversionJobTest, TheFileCarriesAWorkingNameUntilTheRunEnds) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml"});
    std::vector<std::vector<std::string>> during;
    ui.onDoEvents = [&](int) {
        if (!progress.events.empty()) {
            during.push_back(pstFilesHere());
        }
    };
    run();
    ASSERT_FALSE(during.empty());
    for (const auto& names : during) {
        EXPECT_EQ(names, std::vector<std::string>{"ZimbraMails6.12.26 4.5.07-incomplete.pst"});
    }
    EXPECT_EQ(pstFilesHere(), std::vector<std::string>{"ZimbraMails6.12.26 4.5.07.pst"});
}

TEST_F(ConversionJobTest, AFileLeftByAnEarlierRunIsToldOfAndKept) {
    const std::string leftover = "ZimbraMails1.1.26 1.1.01-incomplete.pst";
    std::ofstream(dir.path() / leftover) << "what a killed run committed";
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml"});
    run();
    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    const std::string kept = dir.path().string() + "/" + leftover;
    EXPECT_EQ(job.lastRun().leftovers, std::vector<std::string>{kept});
    EXPECT_NE(ui.messageBoxes[0].text.find("did not finish"), std::string::npos);
    EXPECT_NE(ui.messageBoxes[0].text.find(kept), std::string::npos);
    std::ifstream in(kept);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "what a killed run committed");
    EXPECT_EQ(pstFilesHere(),
              (std::vector<std::string>{leftover, "ZimbraMails6.12.26 4.5.07.pst"}));

    // The next run's own working name is taken: it takes a numbered name, the other is kept.
    std::ofstream(dir.path() / "ZimbraMails6.12.26 4.5.09-incomplete.pst") << "kept";
    ui.messageBoxes.clear();
    ui.folderAnswers = {dir.path().string()};
    times = {{2026, 12, 6, 4, 5, 9}, {2026, 12, 6, 4, 5, 9}};
    run();
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::Completed);
    EXPECT_EQ(job.lastRun().storePath, here("ZimbraMails6.12.26 4.5.09 (2).pst"));
    std::ifstream again(dir.path() / "ZimbraMails6.12.26 4.5.09-incomplete.pst");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), "kept");
}

// A folder name in legacy bytes reads as undeclared message text does: the charset the run
// was given, else the locale's, else windows-1252; never U+FFFD. Its messages are stored in
// it, whatever the spelling of the name's bytes on disk.
TEST_F(ConversionJobTest, FolderNamesInLegacyBytesAreDecodedLikeUndeclaredText) {
    const std::string root = dir.path().string();
    const char* lcAll = std::getenv("LC_ALL");
    const std::string savedLocale = lcAll ? lcAll : "";
    setenv("LC_ALL", "C", 1);  // a locale that names no legacy charset
    queueMessages({root + "/Mail/Gel\xF6scht/a.eml", root + "/Mail/\xF0\xD2\xC9\xD7\xC5\xD4/b.eml",
                   root + "/Mail/Gel\xC3\xB6scht/c.eml"});
    ui.folderAnswers = {root, root};
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    // windows-1252 for both, the UTF-8 name as it is: two names spell Gelöscht.
    EXPECT_EQ(pstTree(),
              withAncestors({{posixBase() + "\\Mail\\Gel\u00f6scht", 2},
                             {posixBase() + "\\Mail\\\u00f0\u00d2\u00c9\u00d7\u00c5\u00d4", 1}}));

    // With KOI8-R named, the name that reads in it is Russian; the Latin-1 one reads as KOI8-R
    // too, which takes every byte.
    JobEnvironment koi8 = environment();
    koi8.importOptions.fallbackCharset = "koi8-r";
    ConversionJob russian(ui, queue, progress, state, koi8);
    russian.CmdExtractDBX_Click();
    if (lcAll) {
        setenv("LC_ALL", savedLocale.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
    EXPECT_EQ(readPst(russian.lastRun().storePath).tree,
              withAncestors({{posixBase() + "\\Mail\\Gel\u0416scht", 1},
                             {posixBase() + "\\Mail\\Gel\u00f6scht", 1},
                             {posixBase() + "\\Mail\\\u041f\u0440\u0438\u0432\u0435\u0442", 1}}));
    EXPECT_EQ(readAheadOptions.back(), koi8.importOptions);
}

// "x.eml " (trailing space) and "x.eml" are two files: each is imported by its own name.
TEST_F(ConversionJobTest, PathsAreImportedAsGivenTrailingSpacesAndAll) {
    ui.folderAnswers = {dir.path().string()};
    const std::string root = dir.path().string();
    writeEml(root + "/In/x.eml", "plain");
    writeEml(root + "/In/x.eml ", "with space");
    queue.rows = {root + "/In/x.eml ", root + "/In/x.eml"};
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    const PstContents pst = readPst(job.lastRun().storePath);
    const auto [first, last] = pst.subjects.equal_range(posixBase() + "\\In");
    std::multiset<std::string> subjects;
    for (auto it = first; it != last; ++it) {
        subjects.insert(it->second);
    }
    EXPECT_EQ(subjects, (std::multiset<std::string>{"plain", "with space"}));
    EXPECT_EQ(readAheadLists.front(), queue.rows);
}

TEST_F(ConversionJobTest, AFileChangedAfterQueuingIsStoredAsReadWithAWarning) {
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\same.eml", "C:\\A\\grown.eml", "C:\\A\\touched.eml"});
    for (const auto& row : queue.rows) {
        queue.stamps.push_back(stampOf(row));
    }
    writeEml("C:\\A\\grown.eml", "a longer subject than before");
    // The same bytes, written again a second later: the time alone tells.
    const auto touchedAt = std::filesystem::last_write_time("C:\\A\\touched.eml");
    std::filesystem::last_write_time("C:\\A\\touched.eml", touchedAt + std::chrono::seconds(1));
    run();
    ASSERT_EQ(job.lastRun().warnings.size(), 2u);
    EXPECT_EQ(job.lastRun().warnings[0].path, "C:\\A\\grown.eml");
    EXPECT_NE(job.lastRun().warnings[0].reason.find("changed after it was queued"),
              std::string::npos);
    EXPECT_EQ(job.lastRun().warnings[1].path, "C:\\A\\touched.eml");
    EXPECT_NE(job.lastRun().warnings[1].reason.find("modified again before the import"),
              std::string::npos);
    EXPECT_TRUE(job.lastRun().failures.empty());
    const PstContents pst = readPst(job.lastRun().storePath);
    EXPECT_EQ(pst.tree.at("A"), 3);
    EXPECT_EQ(pst.subjects.count("A"), 3u);
    std::set<std::string> subjects;
    for (const auto& [folder, subject] : pst.subjects) {
        subjects.insert(subject);
    }
    EXPECT_TRUE(subjects.count("a longer subject than before")) << "stored as it was read";
    EXPECT_NE(onlyBox().text.find("2 message file(s) changed after they were queued"),
              std::string::npos);
    EXPECT_NE(onlyBox().details.find("C:\\A\\grown.eml: changed"), std::string::npos);
}

// A file that is no message is stored whole, as ever, but listed apart: the end box counts it
// among the stored and names it. The job learns it from the import's own verdict, which the
// double sets for one file while counting every parse.
TEST_F(ConversionJobTest, AFileThatIsNoMessageIsStoredAndListedFromTheImportsOwnVerdict) {
    std::map<std::string, int> parses;
    store::StoreServices services = store::defaultServices();
    services.importMessage = [&parses](const std::filesystem::path& path,
                                       const mapi::ImportOptions& options) {
        ++parses[path.string()];
        mapi::Message message = store::testing::importTextMessage(path, options);
        if (path.string().ends_with("junk.eml")) {
            message.verdict = mapi::ImportVerdict::NotAMessage;
        }
        return message;
    };
    profile = std::make_shared<store::Profile>(services);
    outlookState->profile = profile;
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\letter.eml", "C:\\A\\junk.eml"});
    run();

    const RunResult& result = job.lastRun();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(result.warnings.empty());
    ASSERT_EQ(result.notMessages.size(), 1u);
    EXPECT_EQ(result.notMessages[0].path, "C:\\A\\junk.eml");
    EXPECT_EQ(result.notMessages[0].reason, "it is no message: stored whole as its body");
    EXPECT_EQ(parses,
              (std::map<std::string, int>{{"C:\\A\\letter.eml", 1}, {"C:\\A\\junk.eml", 1}}));
    EXPECT_EQ(pstTree(), (Tree{{"Deleted Items", 0}, {"A", 2}}));
    EXPECT_EQ(onlyBox().text,
              "Open Outlook to view converted PST file.\r\n"
              "2 of 2 message(s) converted into " +
                  here("ZimbraMails6.12.26 4.5.07.pst") +
                  "\r\nOf the 2 stored, 1 was no message: each is stored whole "
                  "as its body.");
    EXPECT_EQ(onlyBox().details, "C:\\A\\junk.eml: it is no message: stored whole as its body\n");
    ASSERT_EQ(progress.ended.size(), 1u);
    EXPECT_EQ(progress.ended[0].notMessages.size(), 1u);
}

// The real import on the repository's own inputs: random bytes and a diary queued loose, and
// notes with Zimbra's .meta beside them (read as an export is). All are stored; each is named
// once, as no message, and nothing is called a reading problem.
TEST_F(ConversionJobTest, RandomBytesADiaryAndNotesAreStoredWholeAndEachIsNamed) {
    const std::filesystem::path inputs = TOLVANE_TEST_ROOT "/mime/damaged";
    std::filesystem::copy_file(inputs / "junk.eml", "C:\\Mail\\junk.eml");
    std::filesystem::copy_file(inputs / "diary.eml", "C:\\Mail\\diary.eml");
    std::filesystem::copy_file(inputs / "notes.eml", "C:\\Z\\notes.eml");
    std::ofstream("C:\\Z\\notes.eml.meta")
        << R"({"Ver":10,"id":1,"type":5,"folder_id":2,"date":0,"unread":0,"flags":0,)"
           R"("Path":"\/Inbox\/"})";
    queueMessages({"C:\\Mail\\letter.eml"});
    queue.rows.insert(queue.rows.end(),
                      {"C:\\Mail\\junk.eml", "C:\\Mail\\diary.eml", "C:\\Z\\notes.eml"});
    ui.folderAnswers = {dir.path().string()};
    run();

    const RunResult& result = job.lastRun();
    EXPECT_EQ(result.outcome, RunResult::Outcome::Completed);
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(result.readingNotes.empty());
    EXPECT_EQ(result.stored, 4u);
    std::vector<std::string> named;
    for (const auto& noMessage : result.notMessages) {
        named.push_back(noMessage.path);
        EXPECT_EQ(noMessage.reason, "it is no message: stored whole as its body");
    }
    ASSERT_EQ(named.size(), 3u);
    EXPECT_EQ(named[0], "C:\\Mail\\junk.eml");
    EXPECT_EQ(named[1], "C:\\Mail\\diary.eml");
    EXPECT_NE(named[2].find("notes.eml"), std::string::npos) << named[2];
    const PstContents pst = readPst(result.storePath);
    EXPECT_EQ(pst.tree.at("Mail"), 3);
    EXPECT_EQ(pst.tree.at("Inbox"), 1);
    EXPECT_NE(onlyBox().text.find("\r\nOf the 4 stored, 3 were no message: each is stored whole "
                                  "as its body."),
              std::string::npos)
        << onlyBox().text;
}

// Whether a row is read with its .meta is decided once, when the run starts; a row that holds
// another file by the time it is stored (the queue emptied and filled again mid-run) is
// routed by that file.
TEST_F(ConversionJobTest, ARowThatHoldsAnotherFileWhenStoredIsRoutedByThatFile) {
    std::filesystem::copy_file(TOLVANE_TEST_ROOT "/mime/damaged/notes.eml", "C:\\Z\\notes.eml");
    std::ofstream("C:\\Z\\notes.eml.meta")
        << R"({"Ver":10,"id":1,"type":5,"folder_id":2,"date":0,"unread":0,"flags":0,)"
           R"("Path":"\/Inbox\/"})";
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml"});
    ui.folderAnswers = {dir.path().string()};
    ui.onDoEvents = [&](int) {
        if (lastStore() && progress.events.empty()) {  // routes decided, nothing stored yet
            queue.rows = {"C:\\A\\1.eml", "C:\\Z\\notes.eml"};
            queue.emptied = 1;
        }
    };
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    const PstContents pst = readPst(job.lastRun().storePath);
    EXPECT_EQ(pst.tree.at("A"), 1);
    EXPECT_EQ(pst.tree.at("Inbox"), 1) << "filed by its .meta";
    EXPECT_FALSE(pst.tree.contains("Z"));
}

// A full disk ends the run at once: no further file is taken up, the file keeps its last
// commit under its final name, and the box says what it holds.
TEST_F(ConversionJobTest, AFullDiskStopsTheRunAtOnceAndSaysWhatTheFileHolds) {
    const auto log = std::make_shared<store::testing::WriterLog>();
    log->diskFullAtMessage = 2;
    profile = std::make_shared<store::Profile>(store::testing::recordingServices(log));
    outlookState->profile = profile;
    ui.folderAnswers = {dir.path().string()};
    queueMessages({"C:\\A\\1.eml", "C:\\A\\2.eml", "C:\\A\\3.eml"});
    run();
    EXPECT_EQ(job.lastRun().outcome, RunResult::Outcome::WriteFailed);
    EXPECT_EQ(job.lastRun().writeCause, RunResult::WriteCause::DiskFull);
    EXPECT_EQ(job.lastRun().taken, 2);
    EXPECT_EQ(log->messages.size(), 1u);
    EXPECT_EQ(progress.events.size(), 1u);
    EXPECT_EQ(job.lastRun().stored, 0u);  // the recording writer had committed nothing yet
    EXPECT_EQ(pstFilesHere(), std::vector<std::string>{"ZimbraMails6.12.26 4.5.07.pst"});
    EXPECT_EQ(onlyBox().text,
              "Open Outlook to view converted PST file.\r\n"
              "The disk is full: 0 of 3 messages are in " +
                  here("ZimbraMails6.12.26 4.5.07.pst"));
    EXPECT_EQ(onlyBox().icon, MsgIcon::Exclamation);
    EXPECT_EQ(state.session, nullptr);
}

// The manual's example of the folder tree, run through the job: its queued paths (files
// made below the test folder, the import reading them there) must give the manual's tree.
TEST_F(ConversionJobTest, TheManualsFolderTreeExampleIsWhatTheProgramMakes) {
    std::ifstream in(TOLVANE_TEST_ROOT "/../docs/help.html");
    const std::string manual(std::istreambuf_iterator<char>(in), {});
    const auto queuing = manual.find("Queuing <code>");
    ASSERT_NE(queuing, std::string::npos) << "the manual has no folder tree example";
    const std::string sentence = manual.substr(queuing, manual.find("gives:", queuing) - queuing);
    const std::regex code("<code>([^<]+)</code>");
    std::vector<std::string> paths;
    for (auto it = std::sregex_iterator(sentence.begin(), sentence.end(), code);
         it != std::sregex_iterator(); ++it) {
        paths.push_back((*it)[1]);
    }
    ASSERT_FALSE(paths.empty());

    // The <pre> tree: two spaces a level, a folder's name, then the files it holds.
    const auto pre = manual.find("<pre>", queuing) + 5;
    std::istringstream lines(manual.substr(pre, manual.find("</pre>", pre) - pre));
    Tree manualTree;
    std::vector<std::string> parents;
    bool storeLine = true;
    for (std::string line; std::getline(lines, line);) {
        if (line.find_first_not_of(' ') == std::string::npos) {
            continue;
        }
        if (storeLine) {  // the store's display name
            storeLine = false;
            continue;
        }
        const auto indent = line.find_first_not_of(' ');
        const std::size_t level = indent / 2;  // 1 below the store
        const auto nameEnd = line.find("  ", indent);
        const std::string name = line.substr(indent, nameEnd - indent);
        parents.resize(level - 1);
        parents.push_back(name);
        std::string path;
        for (const auto& part : parents) {
            path += (path.empty() ? "" : "\\") + part;
        }
        const std::string files = nameEnd == std::string::npos ? "" : line.substr(nameEnd);
        manualTree[path] = std::count(files.begin(), files.end(), '.');
    }

    const std::filesystem::path root = dir.path();
    store::StoreServices services = store::defaultServices();
    services.importMessage = [root](const std::filesystem::path& path,
                                    const mapi::ImportOptions& options) {
        return mime::importEml(root / path.relative_path(), options);
    };
    profile = std::make_shared<store::Profile>(services);
    outlookState->profile = profile;
    for (const auto& path : paths) {
        writeEml((root / std::filesystem::path(path).relative_path()).string(), path);
        queue.rows.push_back(path);
    }
    ui.folderAnswers = {dir.path().string()};
    run();
    EXPECT_TRUE(job.lastRun().failures.empty());
    EXPECT_EQ(pstTree(), manualTree);
}

}  // namespace
}  // namespace tolvane::convert
