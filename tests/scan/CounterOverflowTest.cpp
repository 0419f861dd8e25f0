#include "scan/CheckedInt32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace tolvane::scan {
namespace {

TEST(ScannerCounters, StepPastTheSigned32BitRangeRaises6AndKeepsTheValue) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int32_t counter = kMax - 1;
    incrementChecked(counter);
    EXPECT_EQ(counter, kMax);
    try {
        incrementChecked(counter);
        FAIL() << "no overflow error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.number(), errc::kOverflow);
    }
    EXPECT_EQ(counter, kMax);
}

}  // namespace
}  // namespace tolvane::scan
