#include "platform/win32/LongPath.h"

#include <gtest/gtest.h>

namespace tolvane::win32 {
namespace {

TEST(LongPathForm, FullPathsGetTheExtendedPrefix) {
    EXPECT_EQ(LongPathForm(L"C:\\Mail\\Inbox\\"), L"\\\\?\\C:\\Mail\\Inbox\\");
    EXPECT_EQ(LongPathForm(L"z:/tmp/a b/c.eml"), L"\\\\?\\z:\\tmp\\a b\\c.eml");
    EXPECT_EQ(LongPathForm(L"\\\\server\\share\\a.eml"), L"\\\\?\\UNC\\server\\share\\a.eml");
    EXPECT_EQ(LongPathForm(L"//server/share/a.eml"), L"\\\\?\\UNC\\server\\share\\a.eml");
}

TEST(LongPathForm, PathsAlreadyExtendedOrNotFullStayAsTheyAre) {
    EXPECT_EQ(LongPathForm(L"\\\\?\\C:\\Mail"), L"\\\\?\\C:\\Mail");
    EXPECT_EQ(LongPathForm(L"\\\\?\\UNC\\s\\x"), L"\\\\?\\UNC\\s\\x");
    EXPECT_EQ(LongPathForm(L"\\\\.\\pipe\\x"), L"\\\\.\\pipe\\x");
    EXPECT_EQ(LongPathForm(L"Mail/Inbox"), L"Mail\\Inbox");
    EXPECT_EQ(LongPathForm(L"C:Mail"), L"C:Mail");      // relative to C:'s own folder
    EXPECT_EQ(LongPathForm(L"\\Mail"), L"\\Mail");      // relative to the current drive
    EXPECT_EQ(LongPathForm(L"1:\\Mail"), L"1:\\Mail");  // no drive letter
    EXPECT_EQ(LongPathForm(L""), L"");
}

}  // namespace
}  // namespace tolvane::win32
