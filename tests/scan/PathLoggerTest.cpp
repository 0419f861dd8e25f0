#include "scan/PathLogger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ScanResults.h"
#include "TempTree.h"
#include "Unprivileged.h"

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

// Under root too: the check runs in a child that has dropped to an unprivileged user.
TEST(PathLoggerFailures, AnUnreadableSubfolderIsSkippedWithItsReasonAndTheWalkGoesOn) {
    TempTree tree;
    tree.file("a.eml");
    tree.file("S/s.eml");
    tree.file("T/t.eml");
    tree.file("T/U/u.eml");
    scan::test::handToUnprivileged(tree.root());
    const std::string locked = tree.path("S");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    struct Unlock {
        std::string path;
        ~Unlock() { chmod(path.c_str(), 0700); }
    } unlock{locked};

    const std::string problems = scan::test::asUnprivilegedChild([&] {
        scan::test::Findings findings;
        pathLogger scanner;
        scanner.PathLogInit();
        const long raised = errorNumberOf([&] { scanner.LogPath(tree.root()); });
        findings.expect(raised == 0, "LogPath raised " + std::to_string(raised));
        const Strings files = itemsOf(*scanner.fullFileNames());
        findings.expect(files == Strings{tree.root() + "/a.eml", tree.root() + "/T/t.eml",
                                         tree.root() + "/T/U/u.eml"},
                        "the readable folders after S were not all scanned: " +
                            std::to_string(files.size()) + " file(s)");
        findings.expect(scanner.Count() == 4, "Count is " + std::to_string(scanner.Count()));
        const auto& skipped = scanner.skippedFolders();
        findings.expect(skipped.size() == 1, std::to_string(skipped.size()) + " folder(s) skipped");
        if (!skipped.empty()) {
            findings.expect(skipped[0].path == locked + "/", "skipped " + skipped[0].path);
            findings.expect(skipped[0].reason.number() == errc::kPermissionDenied,
                            "number " + std::to_string(skipped[0].reason.number()));
            findings.expect(
                skipped[0].reason.description().find("Permission denied") != std::string::npos,
                "reason " + skipped[0].reason.description());
        }
        return findings.text();
    });
    EXPECT_EQ(problems, "");
}

// A path past the system's limit cannot be opened; a folder as deep but with a shorter path,
// walked after it, still is.
TEST(PathLoggerFailures, AFolderWhosePathIsTooLongIsSkippedAndTheWalkGoesOn) {
    TempTree tree;
    const std::string longName(200, 'a');
    int fd = open(tree.root().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int depth = 0; depth < 24; ++depth) {
        ASSERT_EQ(mkdirat(fd, longName.c_str(), 0755), 0);
        const int next = openat(fd, longName.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    const int deep = openat(fd, "deep.eml", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(deep, 0);
    close(deep);
    close(fd);
    std::string shortChain = "b";
    for (int depth = 1; depth < 24; ++depth) {
        shortChain += "/b";
    }
    tree.file(shortChain + "/short.eml");

    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(tree.root());
    const Strings files = itemsOf(*scanner.fullFileNames());
    EXPECT_EQ(files, Strings{tree.path(shortChain + "/short.eml")});
    ASSERT_EQ(scanner.skippedFolders().size(), 1u);
    const SkippedFolder& skipped = scanner.skippedFolders()[0];
    EXPECT_GT(skipped.path.size(), 4096u);
    EXPECT_NE(skipped.reason.description().find("File name too long"), std::string::npos)
        << skipped.reason.description();
}

// Removes a folder from disk the moment the scan opens a given folder for the n-th time.
class RemovingFileSystem : public scan::FileSystem {
  public:
    RemovingFileSystem(std::string trigger, int onOpening, std::string victim)
        : trigger_(std::move(trigger)), onOpening_(onOpening), victim_(std::move(victim)) {}
    shell::PathSyntax Syntax() const override { return inner_->Syntax(); }
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

TEST(PathLoggerFailures, AFolderRemovedDuringTheWalkIsSkippedAs76AndTheWalkGoesOn) {
    TempTree tree;
    tree.file("a.eml");
    tree.file("b.eml");
    tree.file("Gone/g.eml");
    tree.file("Later/l.eml");
    const std::string top = tree.root() + "/";
    // Gone goes after the top folder listed it, as the walk comes to open it.
    pathLogger scanner(
        [&] { return std::make_shared<RemovingFileSystem>(top + "Gone/", 1, tree.path("Gone")); });
    scanner.PathLogInit();
    EXPECT_EQ(errorNumberOf([&] { scanner.LogPath(top); }), 0);
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()),
              (Strings{top + "a.eml", top + "b.eml", top + "Later/l.eml"}));
    EXPECT_EQ(scanner.Count(), 4);
    ASSERT_EQ(scanner.skippedFolders().size(), 1u);
    EXPECT_EQ(scanner.skippedFolders()[0].path, top + "Gone/");
    EXPECT_EQ(scanner.skippedFolders()[0].reason.number(), errc::kPathNotFound);
    EXPECT_NE(scanner.skippedFolders()[0].reason.description().find(top + "Gone/"),
              std::string::npos);
}

// Broken links, links to devices and named pipes are recorded apart, not as files, and
// PathLogInit starts the next scan without them.
TEST(PathLoggerEntries, EntriesThatAreNoFilesAreListedApartFromTheFiles) {
    TempTree tree;
    tree.file("a.eml");
    tree.link("dead.eml", tree.path("nowhere.eml"));
    tree.link("null.eml", "/dev/null");
    ASSERT_EQ(mkfifo(tree.path("pipe.eml").c_str(), 0600), 0);
    tree.file("sub/b.eml");
    tree.link("sub/dead2.txt", tree.path("nowhere.txt"));

    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(tree.root());
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()),
              (Strings{tree.path("a.eml"), tree.path("sub/b.eml")}));
    EXPECT_EQ(scanner.Count(), 3);
    std::vector<std::string> others;
    for (const OtherEntry& entry : scanner.otherEntries()) {
        others.push_back(entry.path + " is " + scan::describeKind(entry.kind));
    }
    EXPECT_EQ(others, (Strings{tree.path("dead.eml") + " is a link to nothing",
                               tree.path("null.eml") + " is a device",
                               tree.path("pipe.eml") + " is a named pipe",
                               tree.path("sub/dead2.txt") + " is a link to nothing"}));
    scanner.PathLogInit();
    EXPECT_TRUE(scanner.otherEntries().empty());
    EXPECT_TRUE(scanner.skippedFolders().empty());
}

}  // namespace
}  // namespace tolvane
