#include "WindowFixture.h"
#include "queue/ExplorerView.h"

namespace tolvane::app {
namespace {

using namespace std::string_literals;
using Paths = std::vector<std::string>;
using AddFiles = WindowTest;

TEST_F(AddFiles, AsksForMessageFilesWithTheFilterAndCapacity) {
    window().cmdAdd_Click();
    ASSERT_EQ(ui_.fileRequests.size(), 1u);
    const FileOpenRequest& request = ui_.fileRequests.front();
    EXPECT_EQ(request.filter, "Zimbra Desktop Exported Messages (*.eml)|*.eml");
    EXPECT_TRUE(request.multiSelect);
    EXPECT_EQ(request.title, "");
    EXPECT_EQ(request.maxFiles, 1000u);
}

TEST_F(AddFiles, CancelQueuesNothingAndLeavesConvertAsItWas) {
    window().cmdAdd_Click();
    EXPECT_EQ(queuedPaths(), Paths{""});
    EXPECT_EQ(countCaption(), "");
    EXPECT_FALSE(c().CmdExtractDBX->isEnabled());
    EXPECT_TRUE(ui_.messageBoxes.empty());

    window().setConvertEnabled(true);
    window().cmdAdd_Click();
    EXPECT_TRUE(c().CmdExtractDBX->isEnabled());
}

TEST_F(AddFiles, OneFileIsQueuedAsTheDialogReturnedIt) {
    ui_.answerFiles("/home/me/Mail/a.eml");
    window().cmdAdd_Click();
    EXPECT_EQ(queuedPaths(), Paths{"/home/me/Mail/a.eml"});
    EXPECT_TRUE(c().CmdExtractDBX->isEnabled());
}

TEST_F(AddFiles, SeveralFilesAreQueuedInTheDialogsOrder) {
    ui_.answerFiles("/home/me/Mail\0b.eml\0a.eml"s);
    window().cmdAdd_Click();
    EXPECT_EQ(queuedPaths(), (Paths{"/home/me/Mail/b.eml", "/home/me/Mail/a.eml"}));
    EXPECT_EQ(countCaption(), "2 Zimbra Messages");
}

TEST_F(AddFiles, FilesInTheRootGetNoDoubledSeparator) {
    ui_.answerFiles("/\0a.eml\0b.eml"s);
    window().cmdAdd_Click();
    EXPECT_EQ(queuedPaths(), (Paths{"/a.eml", "/b.eml"}));
}

TEST_F(AddFiles, AFinalNulIsHandledLikeNone) {
    ui_.answerFiles("/m\0a.eml\0b.eml\0"s);
    ui_.answerFiles("/m/c.eml\0"s);
    window().cmdAdd_Click();
    window().cmdAdd_Click();
    EXPECT_EQ(queuedPaths(), (Paths{"/m/a.eml", "/m/b.eml", "/m/c.eml"}));
}

TEST_F(AddFiles, TooManyFilesLeaveQueueAndConvertAsTheyWere) {
    ui_.failFiles(AppError(errc::kDialogResultTooLarge, "Buffer too small"));
    window().cmdAdd_Click();
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    EXPECT_EQ(ui_.messageBoxes[0].text, "Please select only 1000 files at a time");
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui_.messageBoxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ui_.messageBoxes[0].title, "Tolvane");
    EXPECT_EQ(queuedPaths(), Paths{""});
    EXPECT_EQ(countCaption(), "");
    EXPECT_FALSE(c().CmdExtractDBX->isEnabled());

    addFiles({"a.eml"});
    ui_.failFiles(AppError(errc::kDialogResultTooLarge, "Buffer too small"));
    window().cmdAdd_Click();
    EXPECT_EQ(queuedPaths(), Paths{"/m/a.eml"});
    EXPECT_TRUE(c().CmdExtractDBX->isEnabled());
}

TEST_F(AddFiles, AnyOtherErrorShowsNumberColonDescription) {
    ui_.failFiles(AppError(32755, "Cancel was selected"));
    window().cmdAdd_Click();
    EXPECT_EQ(ui_.messageTexts(), Paths{"32755:Cancel was selected"});
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::Exclamation);
}

TEST_F(AddFiles, EachClickFlipsTheViewSettingsAndTheDialogFollowsHidden) {
    // No settings yet: the first click writes hide-all, the next show-all.
    window().cmdAdd_Click();
    EXPECT_EQ(viewSettings_.read(queue::kHiddenValue), 2u);
    EXPECT_FALSE(ui_.fileRequests.back().showHidden);
    window().cmdAdd_Click();
    EXPECT_EQ(viewSettings_.read(queue::kHiddenValue), 1u);
    EXPECT_EQ(viewSettings_.read(queue::kShowSuperHiddenValue), 1u);
    EXPECT_EQ(viewSettings_.read(queue::kHideFileExtValue), 0u);
    EXPECT_TRUE(ui_.fileRequests.back().showHidden);
    // A failing dialog flips them all the same.
    ui_.failFiles(AppError(errc::kDialogResultTooLarge, "Buffer too small"));
    window().cmdAdd_Click();
    EXPECT_EQ(viewSettings_.read(queue::kHiddenValue), 2u);
}

TEST_F(AddFiles, AnUnusableSettingsStoreIsNeverReported) {
    queue::ViewSettingsFile blocked(settingsFolder_.path());  // a folder, not a file
    frmStep1 other(ui_, blocked);
    ui_.answerFiles("/m/a.eml");
    other.cmdAdd_Click();
    EXPECT_TRUE(ui_.messageBoxes.empty());
    EXPECT_FALSE(ui_.fileRequests.back().showHidden);
    EXPECT_EQ(other.rowCount(), 1);
    EXPECT_EQ(other.selectRow(0), "/m/a.eml");
}

}  // namespace
}  // namespace tolvane::app
