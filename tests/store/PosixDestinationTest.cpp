// Whether a folder can take a new store file, as POSIX says. Asked as a user without root's
// privileges, since root writes anywhere: the reason is the system's, in plain words after
// the folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"
#include "Unprivileged.h"
#include "store/Destination.h"

namespace tolvane::store {
namespace {

TEST(Destination, AFolderThatCannotBeWrittenToIsNamedWithTheReason) {
    const tolvane::testing::TempDir dir;
    const std::string locked = dir / "locked";
    const std::string open = dir / "open";
    std::filesystem::create_directory(locked);
    std::filesystem::create_directory(open);
    std::ofstream(dir / "a.eml") << "x";
    scan::test::handToUnprivileged(open);
    std::filesystem::permissions(
        locked, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                    std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                    std::filesystem::perms::others_exec);
    const std::string findings = scan::test::asUnprivilegedChild([&] {
        std::string wrong;
        if (const auto why = cannotWriteTo(locked);
            why != "Cannot write to " + locked + ": permission denied") {
            wrong += "locked: \"" + why + "\"\n";
        }
        if (const auto why = cannotWriteTo(open); !why.empty()) {
            wrong += "open: \"" + why + "\"\n";
        }
        return wrong;
    });
    EXPECT_EQ(findings, "");
    EXPECT_EQ(cannotWriteTo(dir / "missing"),
              "Cannot write to " + (dir / "missing") + ": no such file or directory");
    EXPECT_EQ(cannotWriteTo(dir / "a.eml"),
              "Cannot write to " + (dir / "a.eml") + ": not a directory");
}

}  // namespace
}  // namespace tolvane::store
