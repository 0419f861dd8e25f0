#include "convert/FolderPaths.h"

#include <gtest/gtest.h>

#include "platform/AppError.h"
#include "platform/ErrorNumber.h"

namespace tolvane::convert {
namespace {

// The number MessageFolderPath raises for a path; its description must name the path.
long errorNumberOf(const std::string& path) {
    std::string description;
    const long number = testing::errorNumberOf([&] { MessageFolderPath(path); }, &description);
    EXPECT_TRUE(number == 0 || description.find(path) != std::string::npos) << description;
    return number;
}

TEST(MessageFolderPath, GivesTheFoldersBetweenDriveAndFileInWindowsSyntax) {
    EXPECT_EQ(MessageFolderPath("C:\\Users\\me\\Zimbra\\Inbox\\a.eml"), "Users\\me\\Zimbra\\Inbox");
    EXPECT_EQ(MessageFolderPath("C:\\A\\B\\x.eml"), "A\\B");
    EXPECT_EQ(MessageFolderPath("C:\\Inbox\\a.eml"), "Inbox");
    EXPECT_EQ(MessageFolderPath("   C:\\A\\x.eml   "), "A");
    EXPECT_EQ(MessageFolderPath("D:\\\u041f\u043e\u0448\u0442\u0430\\\u00c9t\u00e9\\a.eml"),
              "\u041f\u043e\u0448\u0442\u0430\\\u00c9t\u00e9");
    EXPECT_EQ(MessageFolderPath("C:\\Inbox!12\\a.eml"), "Inbox!12");
}

TEST(MessageFolderPath, GivesTheFoldersBelowTheRootInPosixSyntaxJoinedByBackslashes) {
    EXPECT_EQ(MessageFolderPath("/home/me/Zimbra/Inbox/a.eml"), "home\\me\\Zimbra\\Inbox");
    EXPECT_EQ(MessageFolderPath("/A/B/x.eml"), "A\\B");
    EXPECT_EQ(MessageFolderPath("  /A/x.eml  "), "A");
    EXPECT_EQ(MessageFolderPath("/srv/\u00e9t\u00e9 2026/a:b.eml"), "srv\\\u00e9t\u00e9 2026");
}

TEST(MessageFolderPath, FailsWithoutDriveOrRootAndForAFileInARoot) {
    EXPECT_EQ(errorNumberOf("\\\\server\\share\\x.eml"), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf(""), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf("Inbox/a.eml"), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf("C:\\a.eml"), 5);
    EXPECT_EQ(errorNumberOf("C:"), 5);
    EXPECT_EQ(errorNumberOf("/a.eml"), 5);
    // In Windows syntax a forward slash is an ordinary character, so no folder is left.
    EXPECT_EQ(errorNumberOf("C:/Mail/a.eml"), 5);
}

// A name in legacy bytes goes through the decoder, each name on its own, before the names are
// joined: a Shift_JIS name may hold the byte of a backslash, which is no separator in a POSIX
// path. UTF-8 names, and every name when no decoder is given, keep their bytes.
TEST(MessageFolderPath, NamesThatAreNotUtf8AreDecodedOneByOne) {
    std::vector<std::string> seen;
    const NameDecoder decode = [&seen](std::string_view name) {
        seen.emplace_back(name);
        return "<" + std::string(name) + ">";
    };
    EXPECT_EQ(MessageFolderPath("/Mail/Gel\xF6scht/\x95\x5C/\xC3\xA9t\xC3\xA9/a.eml", decode),
              "Mail\\<Gel\xF6scht>\\<\x95\x5C>\\\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(seen, (std::vector<std::string>{"Gel\xF6scht", "\x95\x5C"}));
    EXPECT_EQ(MessageFolderPath("C:\\Gel\xF6scht\\a.eml", decode), "<Gel\xF6scht>");
    EXPECT_EQ(MessageFolderPath("/Mail/Gel\xF6scht/a.eml"), "Mail\\Gel\xF6scht");
}

TEST(ExpandFolderPaths, AppendsEveryAncestorAndTheEntryItselfLeavingTheOriginals) {
    PathList list{"A\\B", "C"};
    ExpandFolderPaths(list);
    EXPECT_EQ(list, (PathList{"A\\B", "C", "A", "A\\B", "C"}));

    PathList deep{"A\\B\\C", ""};
    ExpandFolderPaths(deep);
    EXPECT_EQ(deep, (PathList{"A\\B\\C", "", "A", "A\\B", "A\\B\\C"}));

    PathList empty;
    ExpandFolderPaths(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(RemoveBangNumbers, StripsWholeBatchSuffixesOnly) {
    EXPECT_EQ(RemoveBangNumbers("Inbox!1"), "Inbox");
    EXPECT_EQ(RemoveBangNumbers("A!3\\B!7"), "A\\B");
    EXPECT_EQ(RemoveBangNumbers("Inbox!12"), "Inbox");
    EXPECT_EQ(RemoveBangNumbers("Inbox!100"), "Inbox");
    EXPECT_EQ(RemoveBangNumbers("Inbox!101"), "Inbox");
    EXPECT_EQ(RemoveBangNumbers("Inbox!123456789012345678901234567890"), "Inbox");
    EXPECT_EQ(RemoveBangNumbers("Work!2\\Inbox!40\\Sub"), "Work\\Inbox\\Sub");
    EXPECT_EQ(RemoveBangNumbers("Inbox!1!2"), "Inbox");
}

TEST(RemoveBangNumbers, LeavesBangsWithoutAProperNumber) {
    EXPECT_EQ(RemoveBangNumbers("Inbox!0"), "Inbox!0");
    EXPECT_EQ(RemoveBangNumbers("Inbox!01"), "Inbox!01");
    EXPECT_EQ(RemoveBangNumbers("Inbox!"), "Inbox!");
    EXPECT_EQ(RemoveBangNumbers("Hi!x\\Inbox"), "Hi!x\\Inbox");
    EXPECT_EQ(RemoveBangNumbers("!!1"), "!");
    EXPECT_EQ(RemoveBangNumbers(""), "");
}

}  // namespace
}  // namespace tolvane::convert
