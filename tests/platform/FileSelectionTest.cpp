#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ErrorNumber.h"
#include "platform/qt/FileSelection.h"
#include "queue/FileOpenResult.h"

namespace tolvane::qtui {
namespace {

using namespace std::string_literals;
using Paths = std::vector<std::string>;

TEST(FileOpenResultFromSelection, NoneOneOrSeveralInOneFolder) {
    EXPECT_EQ(FileOpenResultOf({}, '/'), "");
    EXPECT_EQ(FileOpenResultOf({"/home/me/Mail/a.eml"}, '/'), "/home/me/Mail/a.eml");
    EXPECT_EQ(FileOpenResultOf({"/home/me/Mail/a.eml", "/home/me/Mail/b.eml"}, '/'),
              "/home/me/Mail\0a.eml\0b.eml"s);
    EXPECT_EQ(FileOpenResultOf({"C:\\Mail\\a.eml", "C:\\Mail\\b.eml"}, '\\'),
              "C:\\Mail\0a.eml\0b.eml"s);
}

TEST(FileOpenResultFromSelection, RootFolderKeepsItsSeparator) {
    EXPECT_EQ(FileOpenResultOf({"/a.eml", "/b.eml"}, '/'), "/\0a.eml\0b.eml"s);
    EXPECT_EQ(FileOpenResultOf({"C:\\a.eml", "C:\\b.eml"}, '\\'), "C:\\\0a.eml\0b.eml"s);
}

TEST(FileOpenResultFromSelection, FilesInSeveralFoldersShareTheirCommonFolder) {
    // The common text "/m/a" is not a folder: the names start after the last shared separator.
    EXPECT_EQ(FileOpenResultOf({"/m/ab/a.eml", "/m/ac/b.eml"}, '/'), "/m\0ab/a.eml\0ac/b.eml"s);
    EXPECT_EQ(FileOpenResultOf({"/m/x/a.eml", "/m/b.eml"}, '/'), "/m\0x/a.eml\0b.eml"s);
}

TEST(FileOpenResultFromSelection, FilesOnDifferentDrivesAreRefused) {
    EXPECT_EQ(testing::errorNumberOf([] {
                  FileOpenResultOf({"C:\\a.eml", "D:\\b.eml"}, '\\');
              }),
              5);
}

TEST(FileOpenResultFromSelection, TheQueueGetsBackExactlyTheChosenPaths) {
    const std::vector<Paths> selections{
        {"/home/me/Mail/a.eml"},
        {"/home/me/Mail/a.eml", "/home/me/Mail/b.eml", "/home/me/Mail/c d.eml"},
        {"/a.eml", "/b.eml"},
        {"/m/ab/a.eml", "/m/ac/b.eml", "/m/c.eml"},
    };
    for (const auto& chosen : selections) {
        EXPECT_EQ(
            queue::PathsOfFileOpenResult(FileOpenResultOf(chosen, '/'), shell::PathSyntax::Posix),
            chosen);
    }
    const Paths windows{"C:\\a.eml", "C:\\Mail\\b.eml"};
    EXPECT_EQ(
        queue::PathsOfFileOpenResult(FileOpenResultOf(windows, '\\'), shell::PathSyntax::Windows),
        windows);
}

TEST(QtNameFilters, DescriptionAndPatternPairsBecomeQtFilters) {
    EXPECT_EQ(QtNameFiltersOf("Zimbra Desktop Exported Messages (*.eml)|*.eml"),
              Paths{"Zimbra Desktop Exported Messages (*.eml)"});
    EXPECT_EQ(QtNameFiltersOf("Mail (*.eml;*.tgz)|*.eml;*.tgz"), Paths{"Mail (*.eml *.tgz)"});
    EXPECT_EQ(QtNameFiltersOf("Mail|*.eml;*.msg|All files|*.*"),
              (Paths{"Mail (*.eml *.msg)", "All files (*.*)"}));
    // The patterns in the middle of a description are not where Qt reads them.
    EXPECT_EQ(QtNameFiltersOf("(*.eml) messages|*.eml"), Paths{"(*.eml) messages (*.eml)"});
    EXPECT_TRUE(QtNameFiltersOf("").empty());
}

}  // namespace
}  // namespace tolvane::qtui
