#include "convert/TimeStamp.h"

#include <gtest/gtest.h>

namespace tolvane::convert {
namespace {

TEST(TimeStamp, NoLeadingZerosExceptTwoDigitYearAndSeconds) {
    EXPECT_EQ(formatTimeStamp({2026, 12, 6, 4, 5, 7}), "6.12.26 4.5.07");
    EXPECT_EQ(formatTimeStamp({2005, 1, 9, 0, 0, 0}), "9.1.05 0.0.00");
    EXPECT_EQ(formatTimeStamp({2099, 10, 31, 23, 59, 59}), "31.10.99 23.59.59");
    EXPECT_EQ(formatTimeStamp({2100, 2, 28, 12, 30, 40}), "28.2.00 12.30.40");
}

TEST(TimeStamp, SystemClockGivesAPlausibleDate) {
    const LocalTime now = systemLocalTime();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.hour, 23);
}

}  // namespace
}  // namespace tolvane::convert
