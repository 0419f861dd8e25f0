#include "convert/CodeUnitOrder.h"

#include <gtest/gtest.h>

namespace tolvane::convert {
namespace {

TEST(CodeUnitOrder, CapitalsBeforeBackslashBeforeSmallLetters) {
    EXPECT_TRUE(codeUnitLess("Z", "\\"));
    EXPECT_TRUE(codeUnitLess("\\", "a"));
    EXPECT_FALSE(codeUnitLess("a", "A"));
    EXPECT_TRUE(codeUnitLess("A", "a"));
}

TEST(CodeUnitOrder, FullStopBeforeBackslashSoAFileSortsBeforeItsSiblingFolder) {
    EXPECT_TRUE(codeUnitLess("x.eml", "x\\a.eml"));
    EXPECT_TRUE(codeUnitLess("C:\\m.eml", "C:\\m\\a.eml"));
}

TEST(CodeUnitOrder, PrefixAndEmptyStringSortFirstAndNothingIsLessThanItself) {
    EXPECT_TRUE(codeUnitLess("", "a"));
    EXPECT_FALSE(codeUnitLess("", ""));
    EXPECT_TRUE(codeUnitLess("Inbox", "Inbox2"));
    EXPECT_FALSE(codeUnitLess("Inbox2", "Inbox"));
    EXPECT_FALSE(codeUnitLess("Inbox", "Inbox"));
}

TEST(CodeUnitOrder, NonAsciiComparesByUtf16UnitsNotUtf8Bytes) {
    EXPECT_TRUE(codeUnitLess("z", "\u00e9"));       // é is U+00E9
    EXPECT_TRUE(codeUnitLess("\u00e9", "\u0416"));  // Ж is U+0416
    // U+1F600 is D83D DE00 in UTF-16, below U+FF21; in UTF-8 bytes it would sort after.
    EXPECT_TRUE(codeUnitLess("\U0001F600", "\uFF21"));
    EXPECT_FALSE(codeUnitLess("\uFF21", "\U0001F600"));
    EXPECT_TRUE(codeUnitLess("a\U0001F600", "a\uE000"));
    EXPECT_TRUE(codeUnitLess("\U0001F600", "\U0001F601"));
}

}  // namespace
}  // namespace tolvane::convert
