#include "scan/PathLogger.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ScanResults.h"

namespace tolvane {
namespace {

using scan::test::itemsOf;
using Strings = std::vector<std::string>;

// Folders in memory whose files come in the order given, as a system lists them, not sorted;
// a folder can fail after giving some of its files.
class ListedDrive final : public scan::FileSystem {
  public:
    struct Contents {
        Strings subFolders;
        std::vector<std::pair<std::string, scan::EntryKind>> files;
        std::optional<std::size_t> failsAfter;  // files given before the listing fails
    };

    explicit ListedDrive(std::map<std::string, Contents> folders) : folders_(std::move(folders)) {}

    shell::PathSyntax Syntax() const override { return shell::PathSyntax::Posix; }
    bool FolderExists(const std::string& path) override { return folders_.count(path) != 0; }
    std::shared_ptr<scan::Folder> GetFolder(const std::string& path) override {
        return std::make_shared<ListedFolder>(folders_.at(path), path);
    }

  private:
    class ListedFolder final : public scan::Folder {
      public:
        ListedFolder(const Contents& contents, std::string path)
            : contents_(contents), path_(std::move(path)) {}
        scan::DirectoryIdentity Identity() const override {
            return {1, std::hash<std::string>{}(path_)};
        }
        std::shared_ptr<const scan::SubFolderListing> SubFolders() override {
            auto listing = std::make_shared<scan::SubFolderListing>();
            for (const std::string& name : contents_.subFolders) {
                listing->push_back({name, {1, std::hash<std::string>{}(path_ + name + "/")}});
            }
            return listing;
        }
        void VisitFiles(const scan::FileVisitor& visit) override {
            std::size_t given = 0;
            for (const auto& [name, kind] : contents_.files) {
                if (contents_.failsAfter == given) {
                    throw AppError(75, "Path/File access error listing " + path_);
                }
                visit(name, kind);
                ++given;
            }
        }

      private:
        const Contents& contents_;
        std::string path_;
    };

    std::map<std::string, Contents> folders_;
};

std::vector<std::string> otherPaths(const pathLogger& scanner) {
    std::vector<std::string> paths;
    for (const OtherEntry& other : scanner.otherEntries()) {
        paths.push_back(other.path);
    }
    return paths;
}

// Files are recorded as the system lists them and then put in order where they are held: the
// three lists, the keys and the other entries must all come out in folder order.
TEST(PathLoggerListing, FilesListedOutOfOrderAreRecordedInFolderOrderInEveryList) {
    using scan::EntryKind;
    pathLogger scanner([] {
        return std::make_shared<ListedDrive>(std::map<std::string, ListedDrive::Contents>{
            {"/m/",
             {{"S"},
              {{"c.eml", EntryKind::Regular},
               {"pipe", EntryKind::Fifo},
               {"A.eml", EntryKind::Regular},
               {"_z.eml", EntryKind::Regular},
               {"dead", EntryKind::BrokenLink},
               {"b.eml", EntryKind::Regular}},
              std::nullopt}},
            {"/m/S/", {{}, {{"y.eml", EntryKind::Regular}, {"x.eml", EntryKind::Regular}}, {}}},
        });
    });
    scanner.PathLogInit();
    scanner.fullFileNamesOnly(false);
    scanner.LogPath("/m/");

    const Strings paths{"/m/A.eml",  "/m/b.eml",   "/m/c.eml",
                        "/m/_z.eml", "/m/S/x.eml", "/m/S/y.eml"};
    EXPECT_EQ(itemsOf(*scanner.fullFileNames()), paths);
    EXPECT_EQ(itemsOf(*scanner.fileNames()),
              (Strings{"A.eml", "b.eml", "c.eml", "_z.eml", "x.eml", "y.eml"}));
    EXPECT_EQ(itemsOf(*scanner.pathPointers()), (std::vector<std::int32_t>{1, 1, 1, 1, 2, 2}));
    for (std::size_t r = 1; r <= paths.size(); ++r) {
        const std::string key = "K" + std::to_string(r);
        EXPECT_EQ(scanner.fullFileNames()->Item(key), paths[r - 1]) << key;
        EXPECT_EQ(scanner.fileNames()->Item(key), paths[r - 1].substr(paths[r - 1].rfind('/') + 1));
    }
    EXPECT_EQ(otherPaths(scanner), (Strings{"/m/dead", "/m/pipe"}));
    EXPECT_EQ(scanner.Count(), 7);
}

// A listing that fails part way leaves none of that folder's files or other entries; the
// folder is reported and the next folder's files take the keys from where the last one ended.
TEST(PathLoggerListing, AFolderWhoseListingFailsPartWayLeavesNoneOfItsFiles) {
    using scan::EntryKind;
    pathLogger scanner([] {
        return std::make_shared<ListedDrive>(std::map<std::string, ListedDrive::Contents>{
            {"/m/", {{"Bad", "Good"}, {{"top.eml", EntryKind::Regular}}, std::nullopt}},
            {"/m/Bad/",
             {{},
              {{"a.eml", EntryKind::Regular},
               {"fifo", EntryKind::Fifo},
               {"b.eml", EntryKind::Regular},
               {"c.eml", EntryKind::Regular}},
              3}},
            {"/m/Good/", {{}, {{"g.eml", EntryKind::Regular}}, std::nullopt}},
        });
    });
    scanner.PathLogInit();
    scanner.fullFileNamesOnly(false);
    scanner.LogPath("/m/");

    EXPECT_EQ(itemsOf(*scanner.fullFileNames()), (Strings{"/m/top.eml", "/m/Good/g.eml"}));
    EXPECT_EQ(itemsOf(*scanner.fileNames()), (Strings{"top.eml", "g.eml"}));
    EXPECT_EQ(scanner.fullFileNames()->Item("K2"), "/m/Good/g.eml");
    EXPECT_EQ(scanner.pathPointers()->Item("K2"), 3);
    EXPECT_TRUE(scanner.otherEntries().empty());
    ASSERT_EQ(scanner.skippedFolders().size(), 1u);
    EXPECT_EQ(scanner.skippedFolders()[0].path, "/m/Bad/");
    EXPECT_EQ(scanner.skippedFolders()[0].reason.number(), 75);
    EXPECT_EQ(scanner.Count(), 3);
}

}  // namespace
}  // namespace tolvane
