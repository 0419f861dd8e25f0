#include "convert/FolderPaths.h"

#include <gtest/gtest.h>

#include "platform/AppError.h"

namespace tolvane::convert {
namespace {

long errorNumberOf(const std::string& path) {
    try {
        MessageFolderPath(path);
    } catch (const AppError& e) {
        EXPECT_NE(e.description().find(path), std::string::npos) << e.description();
        return e.number();
    }
    return 0;
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
