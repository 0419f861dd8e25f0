// The queue is never changed under a running conversion, and a conversion never starts on a
// queue that Add Folder is still filling. First with a job that only reports its run, then
// with the real job converting real files.
#include "WindowFixture.h"
#include "app/WindowJob.h"

namespace tolvane::app {
namespace {

using Paths = std::vector<std::string>;

class QueueGuard : public WindowTest {
  protected:
    // The buttons that answer now, by name.
    std::string enabledButtons() {
        std::string names;
        for (const Control button : TabOrder()) {
            if (window().control(button)->isEnabled() && button != grdFiles1) {
                names += std::string(names.empty() ? "" : " ") + kLayout[button].name;
            }
        }
        return names;
    }
    // Clicks each queue button, as a user would while something runs.
    void clickTheQueueButtons() {
        ui_.messageBoxAnswers = {MsgResult::Yes};
        ui_.folderAnswers = {settingsFolder_.str()};
        for (QPushButton* button : {c().cmdClear1, c().cmdAdd, c().CmdAddFolder}) {
            button->click();
        }
        // Even a click that was already on its way when its button went grey.
        for (const Control button : {cmdClear1, cmdAdd, CmdAddFolder}) {
            window().Click(button);
        }
        ui_.messageBoxAnswers.clear();
        ui_.folderAnswers.clear();
    }
};

TEST_F(QueueGuard, FromTheConvertClickToTheRunsEndOnlyStopHelpAndExitAnswer) {
    addFiles({"a.eml", "b.eml"});
    std::vector<std::string> seen;
    window().setConvertJob([&] {
        seen.push_back(enabledButtons());  // choosing the destination, before the run starts
        clickTheQueueButtons();
        window().runStarted();
        seen.push_back(enabledButtons());
        clickTheQueueButtons();
        convert::RunResult result;
        result.taken = 2;
        window().runEnded(result);
        seen.push_back(enabledButtons());  // the closing box
        clickTheQueueButtons();
    });
    c().CmdExtractDBX->click();

    EXPECT_EQ(seen, (Paths{"cmdEnd CmdHelp", "CmdExtractDBX cmdEnd CmdHelp", "cmdEnd CmdHelp"}));
    EXPECT_EQ(queuedPaths(), (Paths{"/m/a.eml", "/m/b.eml"}));
    EXPECT_TRUE(ui_.messageBoxes.empty());
    EXPECT_EQ(ui_.fileRequests.size(), 1u);  // the add before the run
    EXPECT_TRUE(ui_.folderTitles.empty());
    // The run took its messages up: Convert waits for new files, the rest answers again.
    EXPECT_EQ(enabledButtons(), "cmdAdd cmdClear1 CmdAddFolder cmdEnd CmdHelp");
}

TEST_F(QueueGuard, ARunThatTookNothingLeavesConvertReadyAgain) {
    addFiles({"a.eml"});
    window().setConvertJob([&] {
        window().runStarted();
        window().runEnded(convert::RunResult{});
    });
    c().CmdExtractDBX->click();
    EXPECT_EQ(enabledButtons(), "cmdAdd cmdClear1 CmdAddFolder CmdExtractDBX cmdEnd CmdHelp");
}

TEST_F(QueueGuard, ConvertWaitsUntilAddFolderHasQueuedTheWholeFolder) {
    TempFolder tree;
    for (const char* name : {"a.eml", "b.eml", "sub/c.eml"}) {
        tree.file(name);
    }
    addFiles({"x.eml"});
    ASSERT_TRUE(c().CmdExtractDBX->isEnabled());
    int runs = 0;
    window().setConvertJob([&runs] { ++runs; });
    std::vector<bool> convertEnabled;
    ui_.onDoEvents = [&](int call) {
        convertEnabled.push_back(c().CmdExtractDBX->isEnabled());
        c().CmdExtractDBX->click();
        window().Click(CmdExtractDBX);
        if (call == 2) {
            addFiles({"y.eml"});  // another add says Convert may go; the folder still fills
        }
    };
    ui_.folderAnswers.push_back(tree.str());
    c().CmdAddFolder->click();

    EXPECT_EQ(convertEnabled, std::vector<bool>(6, false));  // three files, two yields each
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(queuedPaths().size(), 5u);
    EXPECT_TRUE(c().CmdExtractDBX->isEnabled());
    c().CmdExtractDBX->click();
    EXPECT_EQ(runs, 1);
}

// The real job, as the program wires it, converting into a real file.
class QueueGuardWithTheJob : public QueueGuard {
  protected:
    QueueGuardWithTheJob() : job_(ui_, window()) {
        for (int k = 0; k < 6; ++k) {
            source_.file("Mail/Inbox/m" + std::to_string(k) + ".eml");
        }
    }

    TempFolder source_;
    TempFolder dest_;
    WindowJob job_;
};

TEST_F(QueueGuardWithTheJob, ClearAndAddClickedMidRunChangeNothingAndEveryMessageIsConverted) {
    ui_.folderAnswers = {source_.str()};
    window().CmdAddFolder_Click();
    ui_.folderAnswers = {dest_.str()};
    ui_.messageBoxes.clear();
    int yields = 0;
    ui_.onDoEvents = [&](int) {
        if (window().converting() && ++yields == 3) {
            clickTheQueueButtons();
        }
    };
    c().CmdExtractDBX->click();

    ASSERT_GE(yields, 3);
    const convert::RunResult& run = job_.job().lastRun();
    EXPECT_EQ(run.outcome, convert::RunResult::Outcome::Completed);
    EXPECT_EQ(run.stored, 6u);
    EXPECT_TRUE(run.failures.empty());
    EXPECT_EQ(queuedPaths().size(), 6u);
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    EXPECT_NE(ui_.messageBoxes[0].text.find("6 of 6 message(s) converted"), std::string::npos)
        << ui_.messageBoxes[0].text;
}

TEST_F(QueueGuardWithTheJob, ConvertClickedWhileAddFolderFillsStartsNoRun) {
    ui_.onDoEvents = [&](int) { c().CmdExtractDBX->click(); };
    ui_.folderAnswers = {source_.str(), dest_.str()};
    window().setConvertEnabled(true);  // as an earlier add leaves it
    c().CmdAddFolder->click();

    // The job never asked for a destination: only the source folder was asked for.
    EXPECT_EQ(ui_.folderTitles, Paths{"Choose Source Folder..."});
    EXPECT_TRUE(std::filesystem::is_empty(dest_.path()));
    EXPECT_EQ(queuedPaths().size(), 6u);
}

}  // namespace
}  // namespace tolvane::app
