#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "queue/FileOpenResult.h"

namespace tolvane::queue {
namespace {

using namespace std::string_literals;
using Paths = std::vector<std::string>;
using shell::PathSyntax;

Paths windows(const std::string& result) {
    return PathsOfFileOpenResult(result, PathSyntax::Windows);
}
Paths posix(const std::string& result) {
    return PathsOfFileOpenResult(result, PathSyntax::Posix);
}

TEST(FileOpenResultForms, CancelQueuesNothing) {
    EXPECT_TRUE(windows("").empty());
    EXPECT_TRUE(posix("").empty());
}

TEST(FileOpenResultForms, OneFileIsQueuedAsReturned) {
    EXPECT_EQ(windows("C:\\Mail\\a.eml"), Paths{"C:\\Mail\\a.eml"});
    EXPECT_EQ(posix("/home/me/Mail/a.eml"), Paths{"/home/me/Mail/a.eml"});
    // A typed name is queued as typed, whatever its extension.
    EXPECT_EQ(posix("notes.txt"), Paths{"notes.txt"});
    EXPECT_EQ(windows("C:\\Mail\\a.eml\0"s), Paths{"C:\\Mail\\a.eml"});
}

TEST(FileOpenResultForms, SeveralFilesJoinTheFolderWithEachNameInOrder) {
    EXPECT_EQ(windows("C:\\Mail\0a.eml\0b.eml"s), (Paths{"C:\\Mail\\a.eml", "C:\\Mail\\b.eml"}));
    EXPECT_EQ(posix("/home/me/Mail\0b.eml\0a.eml\0c d.eml"s),
              (Paths{"/home/me/Mail/b.eml", "/home/me/Mail/a.eml", "/home/me/Mail/c d.eml"}));
}

TEST(FileOpenResultForms, ARootFolderGetsNoSecondSeparator) {
    EXPECT_EQ(windows("C:\\\0a.eml\0b.eml"s), (Paths{"C:\\a.eml", "C:\\b.eml"}));
    EXPECT_EQ(posix("/\0a.eml\0b.eml"s), (Paths{"/a.eml", "/b.eml"}));
}

TEST(FileOpenResultForms, AFinalNulChangesNothing) {
    EXPECT_EQ(windows("C:\\Mail\0a.eml\0b.eml\0"s), windows("C:\\Mail\0a.eml\0b.eml"s));
    EXPECT_EQ(posix("/\0a.eml\0b.eml\0"s), posix("/\0a.eml\0b.eml"s));
}

TEST(FileOpenResultForms, OnlyTheSyntaxSeparatorCountsAsTheFolderEnd) {
    // A POSIX folder ending in a backslash is not a folder ending in a separator.
    EXPECT_EQ(posix("/odd\\\0a.eml\0b.eml"s), (Paths{"/odd\\/a.eml", "/odd\\/b.eml"}));
    EXPECT_EQ(windows("C:/Mail\0a.eml\0b.eml"s), (Paths{"C:/Mail\\a.eml", "C:/Mail\\b.eml"}));
}

TEST(FileOpenResultForms, DuplicateNamesAreAllQueued) {
    EXPECT_EQ(posix("/m\0a.eml\0a.eml"s), (Paths{"/m/a.eml", "/m/a.eml"}));
}

}  // namespace
}  // namespace tolvane::queue
