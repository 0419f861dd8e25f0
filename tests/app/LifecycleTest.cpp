#include "WindowFixture.h"

namespace tolvane::app {
namespace {

using Exit = WindowTest;

TEST_F(Exit, AnsweredNoChangesNothing) {
    window().show();
    addFiles({"a.eml"});
    ui_.messageBoxAnswers = {MsgResult::No};
    window().cmdEnd_Click();

    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    const MessageBoxRequest& box = ui_.messageBoxes.front();
    EXPECT_EQ(box.text, "Are you sure you want to exit now?");
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgResult::Yes);

    EXPECT_FALSE(window().unloaded());
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(queuedPaths(), std::vector<std::string>{"/m/a.eml"});
    EXPECT_TRUE(c().CmdExtractDBX->isEnabled());
}

TEST_F(Exit, AnsweredYesUnloadsTheWindow) {
    window().show();
    ui_.messageBoxAnswers = {MsgResult::Yes};
    window().cmdEnd_Click();
    EXPECT_TRUE(window().unloaded());
    EXPECT_FALSE(window().isVisible());
}

TEST_F(Exit, TheCloseBoxEndsAtOnceWithoutAsking) {
    window().show();
    EXPECT_TRUE(window().close());
    EXPECT_TRUE(window().unloaded());
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(ui_.messageBoxes.empty());
}

using Help = WindowTest;

TEST_F(Help, OpensTheManualEachClick) {
    window().CmdHelp_Click();
    window().CmdHelp_Click();
    EXPECT_EQ(ui_.openedUrls, (std::vector<std::string>{manual_.string(), manual_.string()}));
    EXPECT_TRUE(ui_.messageBoxes.empty());
}

TEST_F(Help, WhenNoBrowserOpensTheManualABoxSaysWhereItIs) {
    ui_.urlsOpen = false;
    window().CmdHelp_Click();
    ASSERT_EQ(ui_.openedUrls.size(), 1u);
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    const MessageBoxRequest& box = ui_.messageBoxes[0];
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_EQ(box.text, "No browser could open the Help manual. You can open it yourself: " +
                            manual_.string());
}

TEST_F(Help, AMissingManualIsNamedWhereItBelongsAndNothingIsOpened) {
    std::filesystem::remove(manual_);
    window().CmdHelp_Click();
    EXPECT_TRUE(ui_.openedUrls.empty());
    EXPECT_EQ(ui_.messageTexts(), std::vector<std::string>{"The Help manual was not found at " +
                                                           manual_.string() + "."});
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::Exclamation);
}

using ConvertButton = WindowTest;

TEST_F(ConvertButton, RunsThePluggedInJob) {
    window().CmdExtractDBX_Click();  // nothing plugged in: nothing happens
    int runs = 0;
    window().setConvertJob([&runs] { ++runs; });
    window().setConvertEnabled(true);
    c().CmdExtractDBX->click();
    EXPECT_EQ(runs, 1);
}

TEST_F(ConvertButton, AFailureTheJobDoesNotHandleIsShownAndTheWindowGoesOn) {
    window().setConvertJob([] { throw AppError(91, "Object variable not set"); });
    window().setConvertEnabled(true);
    c().CmdExtractDBX->click();
    EXPECT_EQ(ui_.messageTexts(), std::vector<std::string>{"91:Object variable not set"});
    EXPECT_FALSE(window().unloaded());
    // The failed run is over: the queue can be changed again.
    EXPECT_TRUE(c().cmdClear1->isEnabled());
}

}  // namespace
}  // namespace tolvane::app
