// Whatever the bytes, the checker finishes and says what is wrong (ASan and UBSan watch the
// reads); any changed byte of block data is caught by that block's CRC.
#include <gtest/gtest.h>

#include <random>

#include "TestHelpers.h"

namespace tolvane::pstcheck::test {
namespace {

class Robustness : public SampleCopy {};

TEST_F(Robustness, EveryFlippedDataByteIsTheCrcErrorOfItsBlock) {
    ASSERT_TRUE(load("pstsdk-sample1"));
    std::mt19937 random(20261207);
    const auto original = bytes();
    for (const auto& [bid, e] : image_->trees().bbt) {
        if (e.cb == 0) {
            continue;
        }
        const std::size_t at_ = e.ib + random() % e.cb;
        bytes().at(at_) ^= static_cast<std::uint8_t>(1 + random() % 255);
        const CheckResult r = image_->check();
        EXPECT_TRUE(r.report.has("BLOCKTRAILER", "dwCRC", "bid " + hex(bid) + " "))
            << "byte " << hex(at_) << "\n"
            << problems(r);
        bytes() = original;
    }
}

TEST_F(Robustness, RandomDamageNeverStopsTheWalk) {
    ASSERT_TRUE(load("outlook-empty"));
    std::mt19937 random(7);
    const auto original = bytes();
    const auto ranges = image_->checkedRanges();
    for (int round = 0; round < 150; ++round) {
        const int hits = 1 + static_cast<int>(random() % 32);
        for (int i = 0; i < hits; ++i) {
            const auto& [ib, size] = ranges[random() % ranges.size()];
            bytes().at(ib + random() % size) = static_cast<std::uint8_t>(random());
        }
        const CheckResult r = image_->check();
        if (bytes() != original) {
            EXPECT_FALSE(r.report.empty()) << "round " << round;
        }
        bytes() = original;
    }
}

}  // namespace
}  // namespace tolvane::pstcheck::test
