#include "scan/PathLogger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "ScanResults.h"
#include "TempTree.h"

namespace tolvane {
namespace {

using scan::test::errorNumberOf;
using scan::test::itemsOf;
using scan::test::TempTree;
using Strings = std::vector<std::string>;

// C:\Mail\ with a.eml, b.txt and a subfolder S holding c.eml.
struct MailTree {
    TempTree tree;
    std::string top = tree.root() + "/";
    MailTree() {
        tree.file("a.eml");
        tree.file("b.txt");
        tree.file("S/c.eml");
    }
};

TEST(PathLoggerScan, RecordsFullPathsWithTheirKeys) {
    MailTree mail;
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.fullFileNamesOnly(true);
    scanner.LogPath(mail.top);

    const auto folders = scanner.pathNames();
    EXPECT_EQ(itemsOf(*folders), (Strings{mail.top, mail.top + "S/"}));
    EXPECT_EQ(folders->Item("K0"), mail.top);
    EXPECT_EQ(folders->Item("K2"), mail.top + "S/");
    EXPECT_FALSE(folders->Contains("K1"));

    const auto files = scanner.fullFileNames();
    EXPECT_EQ(itemsOf(*files),
              (Strings{mail.top + "a.eml", mail.top + "b.txt", mail.top + "S/c.eml"}));
    EXPECT_EQ(files->Item("K1"), mail.top + "a.eml");
    EXPECT_EQ(files->Item("K3"), mail.top + "S/c.eml");
    EXPECT_EQ(scanner.Count(), 4);
    // Only the full paths are filled in this mode.
    EXPECT_EQ(scanner.fileNames()->Count(), 0);
    EXPECT_EQ(scanner.pathPointers()->Count(), 0);
}

TEST(PathLoggerScan, AllThreeFileListsAgreeWhenNotFullNamesOnly) {
    MailTree mail;
    mail.tree.file("S/T/d.eml");
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.fullFileNamesOnly(false);
    scanner.LogPath(mail.top);

    EXPECT_EQ(itemsOf(*scanner.fileNames()), (Strings{"a.eml", "b.txt", "c.eml", "d.eml"}));
    EXPECT_EQ(itemsOf(*scanner.pathPointers()), (std::vector<std::int32_t>{1, 1, 2, 3}));
    const auto folders = scanner.pathNames();
    const auto names = scanner.fileNames();
    const auto pointers = scanner.pathPointers();
    const auto full = scanner.fullFileNames();
    ASSERT_EQ(full->Count(), 4);
    for (std::int32_t p = 1; p <= full->Count(); ++p) {
        const std::string key = "K" + std::to_string(p);
        EXPECT_EQ(full->Item(key), folders->Item(pointers->Item(key)) + names->Item(key));
        EXPECT_EQ(full->Item(p), full->Item(key));
    }
    EXPECT_EQ(scanner.Count(), 5);
}

TEST(PathLoggerScan, WalksBreadthFirstAndQueuesSubfoldersBeforeFiles) {
    TempTree tree;
    tree.file("z.eml");
    tree.file("B/b.eml");
    tree.file("A/A1/deep.eml");
    tree.file("A/a.eml");
    tree.file("B/B1/B2/deeper.eml");
    const std::string top = tree.root() + "/";
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(top);
    EXPECT_EQ(itemsOf(*scanner.pathNames()), (Strings{top, top + "A/", top + "B/", top + "A/A1/",
                                                      top + "B/B1/", top + "B/B1/B2/"}));
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()),
              (Strings{top + "z.eml", top + "A/a.eml", top + "B/b.eml", top + "A/A1/deep.eml",
                       top + "B/B1/B2/deeper.eml"}));
}

TEST(PathLoggerScan, RecordsEveryFileWhateverItsNameInWindowsOrder) {
    TempTree tree;
    for (const char* name : {"d.eml", "c.txt", "B.EML", "a.eml", "x.eml.bak", ".eml", ".hidden"}) {
        tree.file(name);
    }
    tree.file("sub/d.eml");
    const std::string top = tree.root() + "/";
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(top);
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()),
              (Strings{top + ".eml", top + ".hidden", top + "a.eml", top + "B.EML", top + "c.txt",
                       top + "d.eml", top + "x.eml.bak", top + "sub/d.eml"}));
    EXPECT_EQ(scanner.Count(), 9);
}

TEST(PathLoggerScan, EmptyFolderGivesItsOwnPathOnly) {
    TempTree tree;
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(tree.root());
    EXPECT_EQ(itemsOf(*scanner.pathNames()), (Strings{tree.root() + "/"}));
    EXPECT_EQ(scanner.fullFileNames()->Count(), 0);
    EXPECT_EQ(scanner.Count(), 1);
}

TEST(PathLoggerScan, TopPathWithOrWithoutTrailingSeparatorScansAlike) {
    MailTree mail;
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(mail.tree.root());
    const auto withoutSeparator = scanner.fullFileNames();
    const Strings foldersWithout = itemsOf(*scanner.pathNames());
    scanner.PathLogInit();
    scanner.LogPath(mail.top);
    EXPECT_EQ(itemsOf(*scanner.pathNames()), foldersWithout);
    EXPECT_EQ(foldersWithout.front(), mail.top);
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()), itemsOf(*withoutSeparator));
    EXPECT_EQ(withoutSeparator->Item(1), mail.top + "a.eml");
}

TEST(PathLoggerScan, PathsAreJoinedAsGivenNotMadeCanonical) {
    MailTree mail;
    const std::string roundabout = mail.tree.root() + "/S/../";
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(roundabout);
    EXPECT_EQ(scanner.fullFileNames()->Item(1), roundabout + "a.eml");
    EXPECT_EQ(scanner.pathNames()->Item(2), roundabout + "S/");
}

TEST(PathLoggerNoFolder, NothingChangesForPathsThatAreNoFolder) {
    MailTree mail;
    pathLogger fresh;
    fresh.PathLogInit();
    fresh.LogPath(mail.tree.path("missing/"));
    EXPECT_EQ(fresh.Count(), 0);
    EXPECT_EQ(fresh.pathNames()->Count(), 0);
    EXPECT_EQ(fresh.fullFileNames()->Count(), 0);

    pathLogger used;
    used.PathLogInit();
    used.LogPath(mail.top);
    ASSERT_EQ(used.Count(), 4);
    used.PathLogInit();
    for (const std::string& notAFolder :
         {mail.tree.path("missing"), mail.top + "a.eml", std::string()}) {
        used.LogPath(notAFolder);
        EXPECT_EQ(used.Count(), 4) << notAFolder;
        EXPECT_EQ(used.pathNames()->Count(), 0) << notAFolder;
        EXPECT_EQ(used.fullFileNames()->Count(), 0) << notAFolder;
    }
}

TEST(PathLoggerLifecycle, NewScannerAndPathLogInitDefaults) {
    pathLogger scanner;
    EXPECT_FALSE(scanner.fullFileNamesOnly());
    EXPECT_EQ(scanner.Count(), 0);
    EXPECT_EQ(scanner.fullFileNames()->Count(), 0);  // a getter always gives a list
    scanner.fullFileNamesOnly(false);
    scanner.PathLogInit();
    EXPECT_TRUE(scanner.fullFileNamesOnly());
}

TEST(PathLoggerLifecycle, ListTakenBeforeTerminateStaysWhole) {
    MailTree mail;
    std::shared_ptr<StringList> files;
    std::shared_ptr<StringList> folders;
    {
        pathLogger scanner;
        scanner.PathLogInit();
        scanner.fullFileNamesOnly(false);
        scanner.LogPath(mail.top);
        files = scanner.fullFileNames();
        folders = scanner.pathNames();
        scanner.Terminate();
        EXPECT_EQ(scanner.Count(), 4);
        EXPECT_FALSE(scanner.fullFileNamesOnly());
        // After Terminate a getter gives a new, empty list.
        EXPECT_EQ(scanner.fullFileNames()->Count(), 0);
        EXPECT_NE(scanner.fullFileNames(), files);
    }
    EXPECT_EQ(itemsOf(*files),
              (Strings{mail.top + "a.eml", mail.top + "b.txt", mail.top + "S/c.eml"}));
    EXPECT_EQ(files->Item("K3"), mail.top + "S/c.eml");
    EXPECT_EQ(folders->Count(), 2);
}

TEST(PathLoggerLifecycle, GettersHandOutTheScannersOwnList) {
    MailTree mail;
    pathLogger scanner;
    const auto early = scanner.fullFileNames();
    scanner.PathLogInit();  // drops the list handed out above
    const auto taken = scanner.fullFileNames();
    scanner.LogPath(mail.top);
    EXPECT_EQ(early->Count(), 0);
    EXPECT_EQ(taken, scanner.fullFileNames());
    EXPECT_EQ(taken->Count(), 3);
}

TEST(PathLoggerLifecycle, SameFolderScannedAgainAfterPathLogInitGivesTheSameResult) {
    MailTree mail;
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(mail.top);
    const auto first = scanner.fullFileNames();
    const std::int32_t firstCount = scanner.Count();
    scanner.PathLogInit();
    scanner.LogPath(mail.top);
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()), itemsOf(*first));
    EXPECT_EQ(scanner.Count(), firstCount);
    EXPECT_EQ(first->Count(), 3);  // the earlier list is not refilled
}

TEST(PathLoggerMisuse, SecondLogPathWithoutPathLogInitRaises457AndAddsNothing) {
    MailTree mail;
    TempTree other;
    other.file("o.eml");
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(mail.top);
    const Strings folders = itemsOf(*scanner.pathNames());
    const Strings files = itemsOf(*scanner.fullFileNames());
    for (const std::string& again : {mail.top, other.root()}) {
        EXPECT_EQ(errorNumberOf([&] { scanner.LogPath(again); }), errc::kDuplicateKey);
        EXPECT_EQ(itemsOf(*scanner.pathNames()), folders);
        EXPECT_EQ(itemsOf(*scanner.fullFileNames()), files);
    }
}

TEST(PathLoggerMisuse, LogPathWithoutAFileSystemHandleRaises) {
    MailTree mail;
    pathLogger fresh;
    EXPECT_EQ(errorNumberOf([&] { fresh.LogPath(mail.top); }), 91);
    EXPECT_EQ(fresh.pathNames()->Count(), 0);

    pathLogger terminated;
    terminated.PathLogInit();
    terminated.Terminate();
    EXPECT_EQ(errorNumberOf([&] { terminated.LogPath(mail.top); }), 91);
    EXPECT_EQ(terminated.Count(), 0);
}

TEST(PathLoggerFailures, UnreadableSubfolderEndsTheScanKeepingEarlierRecords) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root: folder permissions do not apply, so no folder is "
                        "unreadable";
    }
    TempTree tree;
    tree.file("a.eml");
    tree.file("S/s.eml");
    tree.file("T/t.eml");
    const std::string locked = tree.path("S");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    struct Unlock {
        std::string path;
        ~Unlock() { chmod(path.c_str(), 0700); }
    } unlock{locked};

    pathLogger scanner;
    scanner.PathLogInit();
    std::string description;
    EXPECT_EQ(errorNumberOf([&] { scanner.LogPath(tree.root()); }, &description),
              errc::kPermissionDenied);
    EXPECT_NE(description.find(locked + "/"), std::string::npos) << description;
    EXPECT_NE(description.find("Permission denied"), std::string::npos) << description;
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()), (Strings{tree.root() + "/a.eml"}));
    EXPECT_EQ(scanner.pathNames()->Count(), 3);
    EXPECT_EQ(scanner.Count(), 2);
}

// Removes a folder from disk the moment the scan opens a given folder for the n-th time.
class RemovingFileSystem : public scan::FileSystem {
  public:
    RemovingFileSystem(std::string trigger, int onOpening, std::string victim)
        : trigger_(std::move(trigger)), onOpening_(onOpening), victim_(std::move(victim)) {}
    scan::PathStyle Style() const override { return inner_->Style(); }
    bool FolderExists(const std::string& path) override { return inner_->FolderExists(path); }
    std::shared_ptr<scan::Folder> GetFolder(const std::string& path) override {
        if (path == trigger_ && ++openings_ == onOpening_) {
            std::filesystem::remove_all(victim_);
        }
        return inner_->GetFolder(path);
    }

  private:
    std::shared_ptr<scan::FileSystem> inner_ = scan::makeNativeFileSystem();
    std::string trigger_;
    int onOpening_;
    int openings_ = 0;
    std::string victim_;
};

TEST(PathLoggerFailures, FolderRemovedDuringTheWalkRaises76KeepingEarlierRecords) {
    TempTree tree;
    tree.file("a.eml");
    tree.file("b.eml");
    tree.file("Gone/g.eml");
    const std::string top = tree.root() + "/";
    // The top folder is opened once for its subfolders and once for its files.
    pathLogger scanner(
        [&] { return std::make_shared<RemovingFileSystem>(top, 2, tree.path("Gone")); });
    scanner.PathLogInit();
    std::string description;
    EXPECT_EQ(errorNumberOf([&] { scanner.LogPath(top); }, &description), errc::kPathNotFound);
    EXPECT_NE(description.find(top + "Gone/"), std::string::npos) << description;
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()), (Strings{top + "a.eml", top + "b.eml"}));
    EXPECT_EQ(scanner.Count(), 3);
}

}  // namespace
}  // namespace tolvane
