#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "ScanResults.h"
#include "TempTree.h"
#include "scan/FileSystem.h"
#include "scan/FolderAccessError.h"

namespace tolvane::scan {
namespace {

using test::errorNumberOf;
using test::TempTree;

std::vector<std::string> namesOf(const auto& listing) {
    std::vector<std::string> names;
    for (const auto& entry : listing) {
        names.push_back(entry.Name);
    }
    return names;
}

TEST(NativeFolderExists, TrueOnlyForFolders) {
    TempTree tree;
    tree.file("a.eml");
    tree.folder("S");
    tree.link("toS", tree.path("S"));
    tree.link("dangling", tree.path("nothing"));
    const auto fs = makeNativeFileSystem();
    EXPECT_TRUE(fs->FolderExists(tree.root()));
    EXPECT_TRUE(fs->FolderExists(tree.root() + "/"));
    EXPECT_TRUE(fs->FolderExists(tree.path("toS")));
    EXPECT_FALSE(fs->FolderExists(tree.path("a.eml")));
    EXPECT_FALSE(fs->FolderExists(tree.path("nothing")));
    EXPECT_FALSE(fs->FolderExists(tree.path("dangling")));
    EXPECT_FALSE(fs->FolderExists(""));
}

TEST(NativeListings, SplitFilesFromFoldersInWindowsOrderWithHiddenEntries) {
    TempTree tree;
    for (const char* name : {"c.txt", "B.EML", "a.eml", ".hidden", ".eml", "x.eml.bak"}) {
        tree.file(name);
    }
    tree.folder("sub");
    tree.folder(".cache");
    tree.folder("Archive");
    const auto folder = makeNativeFileSystem()->GetFolder(tree.root() + "/");
    EXPECT_EQ(namesOf(*folder->Files()), (std::vector<std::string>{".eml", ".hidden", "a.eml",
                                                                   "B.EML", "c.txt", "x.eml.bak"}));
    EXPECT_EQ(namesOf(*folder->SubFolders()),
              (std::vector<std::string>{".cache", "Archive", "sub"}));
    // Each listing reads the folder afresh.
    EXPECT_EQ(folder->Files()->size(), 6u);
}

// A scan lists a folder for its subfolders and then for its files; the room it reserves for
// the files comes from the first listing, not from a third.
TEST(NativeListings, TheFileCountHintIsWhatTheSubFolderListingSaw) {
    TempTree tree;
    tree.file("a.eml");
    tree.file("b.eml");
    tree.folder("sub");
    tree.link("to-a.eml", tree.path("a.eml"));
    const auto fs = makeNativeFileSystem();
    const auto folder = fs->GetFolder(tree.root());
    EXPECT_EQ(namesOf(*folder->SubFolders()), (std::vector<std::string>{"sub"}));
    tree.file("c.eml");
    EXPECT_EQ(folder->FileCountHint(), 3u);
    EXPECT_EQ(folder->Files()->size(), 4u);
    // A folder whose subfolders were not listed counts its files when asked.
    EXPECT_EQ(fs->GetFolder(tree.root())->FileCountHint(), 4u);
}

TEST(NativeListings, LinksCountAsWhatTheyLeadTo) {
    TempTree tree;
    tree.file("real/m.eml");
    tree.folder("real/inner");
    tree.link("file-link.eml", tree.path("real/m.eml"));
    tree.link("folder-link", tree.path("real/inner"));
    tree.link("dangling.eml", tree.path("missing.eml"));
    tree.link("loop", tree.path("loop"));
    ASSERT_EQ(mkfifo(tree.path("pipe.eml").c_str(), 0600), 0);
    tree.link("null.eml", "/dev/null");
    const auto fs = makeNativeFileSystem();
    const auto folder = fs->GetFolder(tree.root());
    std::vector<std::string> files;
    const auto listing = folder->Files();
    for (const FileEntry& entry : *listing) {
        files.push_back(entry.Name + ": " + describeKind(entry.Kind));
    }
    EXPECT_EQ(files, (std::vector<std::string>{"dangling.eml: a link to nothing",
                                               "file-link.eml: a file", "loop: a link to nothing",
                                               "null.eml: a device", "pipe.eml: a named pipe"}));
    const auto subFolders = folder->SubFolders();
    EXPECT_EQ(namesOf(*subFolders), (std::vector<std::string>{"folder-link", "real"}));
    // The link and the folder it leads to are the same directory.
    EXPECT_EQ(subFolders->at(0).identity, fs->GetFolder(tree.path("real/inner"))->Identity());
    EXPECT_FALSE(subFolders->at(1).identity == subFolders->at(0).identity);
}

TEST(NativeFolderErrors, MissingOrNonFolderPathsRaise76NamingThePath) {
    TempTree tree;
    tree.file("a.eml");
    const auto fs = makeNativeFileSystem();
    std::string description;
    EXPECT_EQ(errorNumberOf([&] { fs->GetFolder(tree.path("gone/")); }, &description), 76);
    EXPECT_NE(description.find(tree.path("gone/")), std::string::npos) << description;
    EXPECT_NE(description.find("No such file or directory"), std::string::npos) << description;
    EXPECT_EQ(errorNumberOf([&] { fs->GetFolder(tree.path("a.eml")); }), 76);
}

TEST(NativeFolderErrors, SystemReasonsMapToRuntimeNumbers) {
    const AppError denied = folderAccessError(EACCES, "list", "/m/S/");
    EXPECT_EQ(denied.number(), 70);
    EXPECT_EQ(denied.description(), "Cannot list folder \"/m/S/\": Permission denied");
    EXPECT_EQ(folderAccessError(EPERM, "open", "/m/").number(), 70);
    EXPECT_EQ(folderAccessError(ENOENT, "open", "/m/").number(), 76);
    EXPECT_EQ(folderAccessError(ENOTDIR, "open", "/m/").number(), 76);
    const AppError other = folderAccessError(EIO, "list", "/m/");
    EXPECT_EQ(other.number(), 75);
    EXPECT_EQ(other.description(), "Cannot list folder \"/m/\": Input/output error");
}

}  // namespace
}  // namespace tolvane::scan
