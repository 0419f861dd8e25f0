#include "QueueFixture.h"
#include "queue/ExplorerView.h"

namespace tolvane::queue {
namespace {

using namespace std::string_literals;
using Paths = std::vector<std::string>;
using AddFiles = QueueTest;

TEST_F(AddFiles, AsksForMessageFilesWithTheFilterAndCapacity) {
    clickAdd();
    ASSERT_EQ(ui_.fileRequests.size(), 1u);
    const FileOpenRequest& request = ui_.fileRequests.front();
    EXPECT_EQ(request.filter,
              "Zimbra Mail Files, Export Archives, Contacts and Calendars "
              "(*.eml;*.tgz;*.tar.gz;*.tar;*.zip;*.vcf;*.ics)|"
              "*.eml;*.tgz;*.tar.gz;*.tar;*.zip;*.vcf;*.ics|"
              "Zimbra Desktop Exported Messages (*.eml)|*.eml|"
              "Zimbra Export Archives (*.tgz;*.tar.gz;*.tar;*.zip)|*.tgz;*.tar.gz;*.tar;*.zip|"
              "Contacts and Calendars (*.vcf;*.ics)|*.vcf;*.ics");
    EXPECT_TRUE(request.multiSelect);
    EXPECT_EQ(request.title, "");
    EXPECT_EQ(request.maxFiles, 1000u);
}

// An archive says what it holds once queued (a zip export, without .meta, knows its Briefcase
// files from any other file only by name: they are not counted); a name that only looks like
// an archive says it is unreadable, and the run will say why.
TEST_F(AddFiles, QueuedArchivesSayWhatTheyHold) {
    const std::string archives = TOLVANE_SOURCE_ARCHIVES;
    ASSERT_TRUE(std::filesystem::exists(archives + "/sample.zip")) << "missing test inputs";
    addFiles({"sample.zip", "a.eml", "no-such.tgz"}, archives);
    EXPECT_EQ(queuedPaths(),
              (Paths{archives + "/sample.zip", archives + "/a.eml", archives + "/no-such.tgz"}));
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    EXPECT_EQ(ui_.messageBoxes[0].text,
              "Zimbra export archives queued:\r\n" + archives +
                  "/sample.zip: 20 messages, 3 contacts, 1 appointment, 1 task\r\n" + archives +
                  "/no-such.tgz: 0 messages; 1 entry unreadable");
    // The queue counts messages, so a run knows its total before it reads an archive.
    EXPECT_EQ(countCaption(), "21 Zimbra Messages");
    EXPECT_EQ(window_.fileQueue().QueuedMessages(0), 20u);
    EXPECT_EQ(window_.fileQueue().QueuedMessages(1), 1u);
    EXPECT_EQ(window_.fileQueue().QueuedMessages(2), 0u);
}

TEST_F(AddFiles, CancelQueuesNothingAndLeavesConvertAsItWas) {
    clickAdd();
    EXPECT_EQ(queuedPaths(), Paths{""});
    EXPECT_EQ(countCaption(), "");
    EXPECT_FALSE(window_.convertEnabled);
    EXPECT_TRUE(ui_.messageBoxes.empty());

    window_.setConvertEnabled(true);
    clickAdd();
    EXPECT_TRUE(window_.convertEnabled);
}

TEST_F(AddFiles, OneFileIsQueuedAsTheDialogReturnedIt) {
    ui_.answerFiles("/home/me/Mail/a.eml");
    clickAdd();
    EXPECT_EQ(queuedPaths(), Paths{"/home/me/Mail/a.eml"});
    EXPECT_TRUE(window_.convertEnabled);
}

TEST_F(AddFiles, SeveralFilesAreQueuedInTheDialogsOrder) {
    ui_.answerFiles("/home/me/Mail\0b.eml\0a.eml"s);
    clickAdd();
    EXPECT_EQ(queuedPaths(), (Paths{"/home/me/Mail/b.eml", "/home/me/Mail/a.eml"}));
    EXPECT_EQ(countCaption(), "2 Zimbra Messages");
}

TEST_F(AddFiles, FilesInTheRootGetNoDoubledSeparator) {
    ui_.answerFiles("/\0a.eml\0b.eml"s);
    clickAdd();
    EXPECT_EQ(queuedPaths(), (Paths{"/a.eml", "/b.eml"}));
}

TEST_F(AddFiles, AFinalNulIsHandledLikeNone) {
    ui_.answerFiles("/m\0a.eml\0b.eml\0"s);
    ui_.answerFiles("/m/c.eml\0"s);
    clickAdd();
    clickAdd();
    EXPECT_EQ(queuedPaths(), (Paths{"/m/a.eml", "/m/b.eml", "/m/c.eml"}));
}

TEST_F(AddFiles, TooManyFilesLeaveQueueAndConvertAsTheyWere) {
    ui_.failFiles(AppError(errc::kDialogResultTooLarge, "Buffer too small"));
    clickAdd();
    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    EXPECT_EQ(ui_.messageBoxes[0].text, "Please select only 1000 files at a time");
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui_.messageBoxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ui_.messageBoxes[0].title, "Tolvane");
    EXPECT_EQ(queuedPaths(), Paths{""});
    EXPECT_EQ(countCaption(), "");
    EXPECT_FALSE(window_.convertEnabled);

    addFiles({"a.eml"});
    ui_.failFiles(AppError(errc::kDialogResultTooLarge, "Buffer too small"));
    clickAdd();
    EXPECT_EQ(queuedPaths(), Paths{"/m/a.eml"});
    EXPECT_TRUE(window_.convertEnabled);
}

TEST_F(AddFiles, AnyOtherErrorShowsNumberColonDescription) {
    ui_.failFiles(AppError(32755, "Cancel was selected"));
    clickAdd();
    EXPECT_EQ(ui_.messageTexts(), Paths{"32755:Cancel was selected"});
    EXPECT_EQ(ui_.messageBoxes[0].icon, MsgIcon::Exclamation);
}

TEST_F(AddFiles, EachClickFlipsTheViewSettingsAndTheDialogFollowsHidden) {
    // No settings yet: the first click writes hide-all, the next show-all.
    clickAdd();
    EXPECT_EQ(viewSettings_.read(kHiddenValue), 2u);
    EXPECT_FALSE(ui_.fileRequests.back().showHidden);
    clickAdd();
    EXPECT_EQ(viewSettings_.read(kHiddenValue), 1u);
    EXPECT_EQ(viewSettings_.read(kShowSuperHiddenValue), 1u);
    EXPECT_EQ(viewSettings_.read(kHideFileExtValue), 0u);
    EXPECT_TRUE(ui_.fileRequests.back().showHidden);
    // A failing dialog flips them all the same.
    ui_.failFiles(AppError(errc::kDialogResultTooLarge, "Buffer too small"));
    clickAdd();
    EXPECT_EQ(viewSettings_.read(kHiddenValue), 2u);
}

TEST_F(AddFiles, AnUnusableSettingsStoreIsNeverReported) {
    ViewSettingsFile blocked(settingsFolder_.path());  // a folder, not a file
    ui_.answerFiles("/m/a.eml");
    AddMessageFiles(window_, blocked, shell::PathSyntax::Posix);
    EXPECT_TRUE(ui_.messageBoxes.empty());
    EXPECT_FALSE(ui_.fileRequests.back().showHidden);
    EXPECT_EQ(window_.grid.Rows(), 1);
    EXPECT_EQ(window_.fileQueue().SelectRow(0), "/m/a.eml");
}

}  // namespace
}  // namespace tolvane::queue
