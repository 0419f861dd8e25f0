#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/AppError.h"
#include "platform/ErrorNumber.h"
#include "platform/ScriptedUi.h"
#include "shell/ShellHelpers.h"

namespace tolvane::shell {
namespace {

using testing::ScriptedUi;

std::string windowsFolder(const std::string& path) {
    return FolderFromPath(path, PathSyntax::Windows);
}
std::string posixFolder(const std::string& path) {
    return FolderFromPath(path, PathSyntax::Posix);
}

TEST(FolderFromPath, KeepsTheFolderWithItsFinalSeparator) {
    EXPECT_EQ(windowsFolder("C:\\Mail\\Inbox\\a.eml"), "C:\\Mail\\Inbox\\");
    EXPECT_EQ(windowsFolder("C:\\a.eml"), "C:\\");
    EXPECT_EQ(posixFolder("/Mail/Inbox/a.eml"), "/Mail/Inbox/");
    EXPECT_EQ(posixFolder("/a.eml"), "/");
}

TEST(FolderFromPath, APathEndingInASeparatorIsItsOwnFolder) {
    EXPECT_EQ(windowsFolder("C:\\Mail\\"), "C:\\Mail\\");
    EXPECT_EQ(posixFolder("/Mail/"), "/Mail/");
    EXPECT_EQ(posixFolder("/"), "/");
}

TEST(FolderFromPath, OnlyTheSyntaxSeparatorSeparates) {
    EXPECT_EQ(windowsFolder("a.eml"), "");
    EXPECT_EQ(windowsFolder("C:/Mail/a.eml"), "");
    EXPECT_EQ(posixFolder("a.eml"), "");
    EXPECT_EQ(posixFolder("Mail\\Inbox\\a.eml"), "");
    EXPECT_EQ(posixFolder("/Mail/x\\y.eml"), "/Mail/");
}

TEST(FolderFromPath, NetworkPathsKeepTheirLeadingDoubleSeparator) {
    EXPECT_EQ(windowsFolder("\\\\server\\share\\a.eml"), "\\\\server\\share\\");
    EXPECT_EQ(posixFolder("//server/share/a.eml"), "//server/share/");
}

TEST(FolderFromPath, NonAsciiNamesAreCutAtTheirSeparator) {
    EXPECT_EQ(posixFolder("/Ma\xC3\xAFl/Bo\xC3\xAEte/\xE2\x82\xAC.eml"),
              "/Ma\xC3\xAFl/Bo\xC3\xAEte/");
}

TEST(FolderFromPath, TheEmptyPathRaisesSubscriptOutOfRange) {
    for (const auto syntax : {PathSyntax::Windows, PathSyntax::Posix}) {
        EXPECT_EQ(testing::errorNumberOf([&] { FolderFromPath("", syntax); }),
                  errc::kSubscriptOutOfRange);
    }
}

TEST(FolderFromPath, TheProgramUsesTheNativeSyntax) {
#ifdef _WIN32
    EXPECT_EQ(nativePathSyntax(), PathSyntax::Windows);
    EXPECT_EQ(FolderFromPath("C:\\Mail\\a.eml"), "C:\\Mail\\");
#else
    EXPECT_EQ(nativePathSyntax(), PathSyntax::Posix);
    EXPECT_EQ(FolderFromPath("/Mail/a.eml"), "/Mail/");
#endif
}

TEST(OpenDocument, HandsTheTargetToTheDesktopEachTime) {
    ScriptedUi ui;
    EXPECT_TRUE(OpenDocument(ui, "file:///opt/tolvane/help.html"));
    ui.urlsOpen = false;  // nothing on the desktop takes it: the caller hears so
    EXPECT_FALSE(OpenDocument(ui, "file:///opt/tolvane/help.html"));
    EXPECT_EQ(ui.openedUrls, (std::vector<std::string>{"file:///opt/tolvane/help.html",
                                                       "file:///opt/tolvane/help.html"}));
}

TEST(OpenDocument, TheEmptyStringCallsNothing) {
    ScriptedUi ui;
    EXPECT_FALSE(OpenDocument(ui, ""));
    EXPECT_TRUE(ui.log.empty());
}

// A picker that fails inside the platform.
class FailingPickerUi : public ScriptedUi {
  public:
    std::string browseForFolder(const std::string&) override {
        throw std::runtime_error("picker failed");
    }
};

TEST(BrowseForFolder, ReturnsThePickedFolderAsThePickerGivesIt) {
    ScriptedUi ui;
    ui.folderAnswers = {"C:\\", "C:\\Mail", "/", "/home/me/Mail", "/home/\xC3\xA9t\xC3\xA9"};
    EXPECT_EQ(BrowseForFolder(ui, "Choose Source Folder..."), "C:\\");
    EXPECT_EQ(BrowseForFolder(ui, "Choose Source Folder..."), "C:\\Mail");
    EXPECT_EQ(BrowseForFolder(ui, "Choose Folder to Save..."), "/");
    EXPECT_EQ(BrowseForFolder(ui, "x"), "/home/me/Mail");
    EXPECT_EQ(BrowseForFolder(ui, "x"), "/home/\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(ui.folderTitles.front(), "Choose Source Folder...");
    EXPECT_EQ(ui.folderTitles.at(2), "Choose Folder to Save...");
}

TEST(BrowseForFolder, CancelAndFailureBothGiveTheEmptyString) {
    ScriptedUi cancelling;
    EXPECT_EQ(BrowseForFolder(cancelling, "Choose Source Folder..."), "");
    FailingPickerUi failing;
    EXPECT_EQ(BrowseForFolder(failing, "Choose Source Folder..."), "");
}

}  // namespace
}  // namespace tolvane::shell
