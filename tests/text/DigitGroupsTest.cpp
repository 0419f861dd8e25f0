#include <gtest/gtest.h>

#include <cstdint>

#include "text/DigitGroups.h"

namespace tolvane::text {
namespace {

TEST(DigitGroups, ThousandsAreSetApartAtEveryThirdDigitFromTheRight) {
    EXPECT_EQ(groupedDecimal(0), "0");
    EXPECT_EQ(groupedDecimal(999), "999");
    EXPECT_EQ(groupedDecimal(1000), "1,000");
    EXPECT_EQ(groupedDecimal(1234), "1,234");
    EXPECT_EQ(groupedDecimal(100000), "100,000");
    EXPECT_EQ(groupedDecimal(1234567), "1,234,567");
    EXPECT_EQ(groupedDecimal(UINT64_MAX), "18,446,744,073,709,551,615");
}

}  // namespace
}  // namespace tolvane::text
