#include "text/FolderPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane::text {
namespace {

std::vector<std::string> names(std::string_view path) {
    const auto views = folderNames(path);
    return std::vector<std::string>(views.begin(), views.end());
}

using Names = std::vector<std::string>;

TEST(FolderNames, SplitAtEachBackslashKeepingEmptyNamesButNoneAfterALastBackslash) {
    EXPECT_EQ(names("Users\\me\\Inbox"), (Names{"Users", "me", "Inbox"}));
    EXPECT_EQ(names("Inbox"), Names{"Inbox"});
    EXPECT_EQ(names(""), Names{});
    EXPECT_EQ(names("A\\B\\"), (Names{"A", "B"}));
    EXPECT_EQ(names("A\\\\B"), (Names{"A", "", "B"}));
    EXPECT_EQ(names("\\A"), (Names{"", "A"}));
    EXPECT_EQ(names("\\"), Names{""});
    // Only the backslash separates; a slash or a colon is part of a name.
    EXPECT_EQ(names("a/b\\c:d"), (Names{"a/b", "c:d"}));
}

TEST(ParentAndLeaf, SplitAtTheLastBackslash) {
    EXPECT_EQ(parentAndLeaf("A\\B\\C"),
              (std::pair<std::string_view, std::string_view>{"A\\B", "C"}));
    EXPECT_EQ(parentAndLeaf("A"), (std::pair<std::string_view, std::string_view>{"", "A"}));
    EXPECT_EQ(parentAndLeaf("A\\"), (std::pair<std::string_view, std::string_view>{"A", ""}));
}

}  // namespace
}  // namespace tolvane::text
