#include "scan/PathLogger.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ScanResults.h"

namespace tolvane {
namespace {

using scan::test::itemsOf;
using Strings = std::vector<std::string>;

// A drive in memory with Windows paths: each folder by its path with a trailing backslash.
class WindowsDrive final : public scan::FileSystem {
  public:
    struct Contents {
        Strings subFolders;
        Strings files;
    };

    explicit WindowsDrive(std::map<std::string, Contents> folders) : folders_(std::move(folders)) {}

    shell::PathSyntax Syntax() const override { return shell::PathSyntax::Windows; }
    bool FolderExists(const std::string& path) override {
        return !path.empty() && folders_.count(terminated(path)) != 0;
    }
    std::shared_ptr<scan::Folder> GetFolder(const std::string& path) override {
        const auto found = folders_.find(terminated(path));
        if (found == folders_.end()) {
            throw AppError(errc::kPathNotFound, "Path not found: " + path);
        }
        return std::make_shared<DriveFolder>(found->first, found->second);
    }

  private:
    // Same path, same identity; the walk only compares them.
    static scan::DirectoryIdentity identity(const std::string& folderPath) {
        return {1, std::hash<std::string>{}(folderPath)};
    }
    static std::string terminated(const std::string& path) {
        return shell::withTrailingSeparator(path, shell::PathSyntax::Windows);
    }

    class DriveFolder final : public scan::Folder {
      public:
        DriveFolder(std::string path, const Contents& contents)
            : path_(std::move(path)), contents_(contents) {}
        scan::DirectoryIdentity Identity() const override { return identity(path_); }
        std::shared_ptr<const scan::SubFolderListing> SubFolders() override {
            auto listing = std::make_shared<scan::SubFolderListing>();
            for (const std::string& name : contents_.subFolders) {
                listing->push_back({name, identity(path_ + name + "\\")});
            }
            return listing;
        }
        void VisitFiles(const scan::FileVisitor& visit) override {
            for (const std::string& name : contents_.files) {
                visit(name, scan::EntryKind::Regular);
            }
        }

      private:
        std::string path_;
        const Contents& contents_;
    };

    std::map<std::string, Contents> folders_;
};

scan::FileSystemFactory mailDrive() {
    return [] {
        return std::make_shared<WindowsDrive>(std::map<std::string, WindowsDrive::Contents>{
            {"C:\\", {{"Mail"}, {}}},
            {"C:\\Mail\\", {{"S"}, {"a.eml", "b.txt"}}},
            {"C:\\Mail\\S\\", {{}, {"c.eml"}}},
        });
    };
}

TEST(PathLoggerWindowsPaths, TheMailExampleWithAndWithoutTrailingBackslash) {
    for (const std::string top : {"C:\\Mail", "C:\\Mail\\"}) {
        pathLogger scanner(mailDrive());
        scanner.PathLogInit();
        scanner.fullFileNamesOnly(false);
        scanner.LogPath(top);
        EXPECT_EQ(itemsOf(*scanner.pathNames()), (Strings{"C:\\Mail\\", "C:\\Mail\\S\\"})) << top;
        EXPECT_EQ(itemsOf(*scanner.fullFileNames()),
                  (Strings{"C:\\Mail\\a.eml", "C:\\Mail\\b.txt", "C:\\Mail\\S\\c.eml"}))
            << top;
        EXPECT_EQ(itemsOf(*scanner.fileNames()), (Strings{"a.eml", "b.txt", "c.eml"})) << top;
        EXPECT_EQ(itemsOf(*scanner.pathPointers()), (std::vector<std::int32_t>{1, 1, 2})) << top;
        EXPECT_EQ(scanner.Count(), 4) << top;
    }
}

TEST(PathLoggerWindowsPaths, DriveRootKeepsItsOneBackslash) {
    pathLogger scanner(mailDrive());
    scanner.PathLogInit();
    scanner.LogPath("C:\\");
    EXPECT_EQ(itemsOf(*scanner.pathNames()), (Strings{"C:\\", "C:\\Mail\\", "C:\\Mail\\S\\"}));
    EXPECT_EQ(scanner.fullFileNames()->Item("K3"), "C:\\Mail\\S\\c.eml");
}

}  // namespace
}  // namespace tolvane
