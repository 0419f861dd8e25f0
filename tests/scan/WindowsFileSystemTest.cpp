// The scanner's Windows file-system service on a real tree (under Wine in the Windows tests):
// the same names, order and errors as the POSIX one.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Win32TempFolder.h"
#include "platform/AppError.h"
#include "platform/ErrorNumber.h"
#include "platform/win32/WideText.h"
#include "scan/FileSystem.h"
#include "scan/PathLogger.h"

namespace tolvane::scan {
namespace {

namespace fs = std::filesystem;

// A fresh folder in the temporary folder, removed at the end. Paths are UTF-8 with
// backslashes, as the program gives them.
class Tree {
  public:
    std::string root() const { return win32::Narrow(folder_.path().wstring()); }
    std::string path(const std::string& relative) const { return root() + "\\" + relative; }
    void file(const std::string& relative) const {
        const fs::path target = LongForm(fs::path(win32::Widen(path(relative))));
        fs::create_directories(target.parent_path());
        std::ofstream(target) << "x";
    }
    void folder(const std::string& relative) const {
        fs::create_directories(LongForm(fs::path(win32::Widen(path(relative)))));
    }
    static fs::path LongForm(const fs::path& p) { return fs::path(L"\\\\?\\" + p.wstring()); }

  private:
    testing::TempFolder folder_{L"tolvane-fs"};
};

std::vector<std::string> names(const auto& listing) {
    std::vector<std::string> out;
    for (const auto& entry : listing) {
        out.push_back(entry.Name);
    }
    return out;
}

using tolvane::testing::errorNumberOf;

TEST(WindowsFileSystem, ListsNamesInUtf8InWindowsOrderFilesApartFromFolders) {
    Tree tree;
    for (const char* name : {"b.eml", "A.EML", "\xC3\xA9t\xC3\xA9.eml", "Z.txt", "a.eml.bak",
                             "_x.eml", "[1].eml", "\xD0\x9B\xD0\xB8\xD1\x81\xD1\x82.eml"}) {
        tree.file(name);
    }
    tree.folder("Inbox");
    tree.folder("\xD0\x92\xD1\x85\xD1\x96\xD0\xB4\xD0\xBD\xD1\x96");  // Вхідні
    tree.folder("archive");
    const auto fileSystem = makeNativeFileSystem();
    EXPECT_EQ(fileSystem->Syntax(), shell::PathSyntax::Windows);
    const auto folder = fileSystem->GetFolder(tree.root() + "\\");
    EXPECT_EQ(names(*folder->Files()),
              // Names compared upper-cased: '[' and '_' come after the letters, not before them.
              (std::vector<std::string>{"A.EML", "a.eml.bak", "b.eml", "Z.txt", "[1].eml", "_x.eml",
                                        "\xC3\xA9t\xC3\xA9.eml",
                                        "\xD0\x9B\xD0\xB8\xD1\x81\xD1\x82.eml"}));
    EXPECT_EQ(names(*folder->SubFolders()),
              (std::vector<std::string>{"archive", "Inbox",
                                        "\xD0\x92\xD1\x85\xD1\x96\xD0\xB4\xD0\xBD\xD1\x96"}));
}

// A scan lists a folder for its subfolders and then for its files; the room it reserves for
// the files comes from the first listing, not from a third.
TEST(WindowsFileSystem, TheFileCountHintIsWhatTheSubFolderListingSaw) {
    Tree tree;
    tree.file("a.eml");
    tree.file("b.eml");
    tree.folder("sub");
    const auto fileSystem = makeNativeFileSystem();
    const auto folder = fileSystem->GetFolder(tree.root());
    EXPECT_EQ(names(*folder->SubFolders()), (std::vector<std::string>{"sub"}));
    tree.file("c.eml");
    EXPECT_EQ(folder->FileCountHint(), 2u);
    EXPECT_EQ(folder->Files()->size(), 3u);
    // A folder whose subfolders were not listed counts its files when asked.
    EXPECT_EQ(fileSystem->GetFolder(tree.root())->FileCountHint(), 3u);
}

TEST(WindowsFileSystem, HiddenAndSystemFilesAreListed) {
    Tree tree;
    tree.file("hidden.eml");
    SetFileAttributesW(win32::Widen(tree.path("hidden.eml")).c_str(),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    const auto folder = makeNativeFileSystem()->GetFolder(tree.root());
    EXPECT_EQ(names(*folder->Files()), (std::vector<std::string>{"hidden.eml"}));
}

TEST(WindowsFileSystem, FolderExistsOnlyForFolders) {
    Tree tree;
    tree.file("a.eml");
    const auto fileSystem = makeNativeFileSystem();
    EXPECT_TRUE(fileSystem->FolderExists(tree.root()));
    EXPECT_TRUE(fileSystem->FolderExists(tree.root() + "\\"));
    EXPECT_TRUE(fileSystem->FolderExists(tree.root() + "/"));
    EXPECT_FALSE(fileSystem->FolderExists(tree.path("a.eml")));
    EXPECT_FALSE(fileSystem->FolderExists(tree.path("nothing")));
    EXPECT_FALSE(fileSystem->FolderExists(""));
}

TEST(WindowsFileSystem, AFolderThatIsNotThereIs76AndNamesTheFolder) {
    Tree tree;
    tree.file("a.eml");
    const auto fileSystem = makeNativeFileSystem();
    EXPECT_EQ(errorNumberOf([&] { fileSystem->GetFolder(tree.path("gone")); }),
              errc::kPathNotFound);
    EXPECT_EQ(errorNumberOf([&] { fileSystem->GetFolder(tree.path("a.eml")); }),
              errc::kPathNotFound);
    try {
        fileSystem->GetFolder(tree.path("gone"));
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_NE(error.description().find("Cannot open folder \"" + tree.path("gone") + "\": "),
                  std::string::npos)
            << error.description();
    }
    // A folder removed after it was opened fails when it is listed.
    tree.folder("going");
    const auto folder = fileSystem->GetFolder(tree.path("going"));
    RemoveDirectoryW(win32::Widen(tree.path("going")).c_str());
    EXPECT_EQ(errorNumberOf([&] { folder->Files(); }), errc::kPathNotFound);
}

TEST(WindowsFileSystem, PathsPastMaxPathAreScannedToTheBottom) {
    Tree tree;
    std::string deep;
    for (int level = 0; level < 12; ++level) {
        deep += (level == 0 ? "" : "\\") + std::string(30, static_cast<char>('a' + level));
    }
    tree.file(deep + "\\deep.eml");
    ASSERT_GT(tree.path(deep).size(), 300u);

    pathLogger logger;
    logger.PathLogInit();
    logger.LogPath(tree.root() + "\\");
    const auto files = logger.fullFileNames();
    ASSERT_EQ(files->Count(), 1);
    EXPECT_EQ(files->Item(1), tree.path(deep) + "\\deep.eml");
    EXPECT_EQ(logger.pathNames()->Count(), 13);
}

TEST(WindowsFileSystem, TheScannerWalksATreeBreadthFirstWithBackslashes) {
    Tree tree;
    tree.file("a.eml");
    tree.file("b.txt");
    tree.file("S\\c.eml");
    tree.file("S\\T\\d.eml");
    tree.file("R\\e.eml");
    pathLogger logger;
    logger.PathLogInit();
    logger.LogPath(tree.root());
    const auto files = logger.fullFileNames();
    std::vector<std::string> got;
    for (int k = 1; k <= files->Count(); ++k) {
        got.push_back(files->Item(k));
    }
    EXPECT_EQ(got, (std::vector<std::string>{tree.path("a.eml"), tree.path("b.txt"),
                                             tree.path("R\\e.eml"), tree.path("S\\c.eml"),
                                             tree.path("S\\T\\d.eml")}));
    EXPECT_EQ(logger.Count(), 6);
}

}  // namespace
}  // namespace tolvane::scan
