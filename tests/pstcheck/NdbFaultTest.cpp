// Node-database faults: trailers, data and subnode trees, allocation maps beyond the AMap.
#include <gtest/gtest.h>

#include "TestHelpers.h"

namespace tolvane::pstcheck::test {
namespace {

bool internalBlock(std::uint64_t bid) {
    return (bid & fmt::kBidInternal) != 0;
}

// First internal block whose first two bytes are (btype, cLevel) and that has 2+ entries.
std::uint64_t findInternal(PstImage& image, std::uint8_t btype, std::uint8_t level) {
    for (const auto& [bid, e] : image.trees().bbt) {
        if (!internalBlock(bid)) {
            continue;
        }
        const auto data = image.rawBlock(bid);
        if (data.at(0) == btype && data.at(1) == level && PstImage::get16(data, 2) >= 2) {
            return bid;
        }
    }
    ADD_FAILURE() << "no such internal block";
    return 0;
}

class NdbFaults : public SampleCopy {};

TEST_F(NdbFaults, EveryBlockTrailerFieldIsChecked) {
    ASSERT_TRUE(load("outlook-empty"));
    const std::uint64_t bid = image_->node(0x21).bidData;
    const std::uint64_t t = image_->trailerOffset(bid);
    const std::string where = "bid " + hex(bid) + " ";
    struct Case {
        std::size_t offset;
        const char* field;
    };
    for (const Case c : {Case{0, "cb"}, Case{2, "wSig"}, Case{8, "bid"}}) {
        const auto saved = bytes();
        bytes().at(t + c.offset) ^= 0x04;
        const CheckResult r = image_->check();
        EXPECT_TRUE(r.report.has("BLOCKTRAILER", c.field, where)) << c.field << problems(r);
        bytes() = saved;
    }
}

TEST_F(NdbFaults, PageTrailerMustRepeatItsTypeAndMatchTheBref) {
    ASSERT_TRUE(load("outlook-empty"));
    const std::uint64_t ib = rootIb(true);
    bytes().at(ib + fmt::kPageTrailerOffset + 1) = fmt::kBbt;  // ptypeRepeat
    bytes().at(ib + fmt::kPageTrailerOffset + 8) ^= 0x10;      // bid, no longer the BREF's
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("NBT_PAGE", "ptypeRepeat", at(ib))) << problems(r);
    EXPECT_TRUE(r.report.has("NBT_PAGE", "bid", at(ib))) << problems(r);
}

TEST_F(NdbFaults, XBlockTotalMustEqualItsLeaves) {
    ASSERT_TRUE(load("tika-testPST"));
    const std::uint64_t bid = findInternal(*image_, fmt::kXBlockType, 1);
    auto data = image_->rawBlock(bid);
    data.at(4) ^= 0x01;  // lcbTotal
    image_->setRawBlock(bid, data);
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("XBLOCK", "lcbTotal", "bid " + hex(bid))) << problems(r);
    EXPECT_FALSE(r.report.has("BLOCKTRAILER", "dwCRC")) << problems(r);
}

TEST_F(NdbFaults, SubnodeEntriesMustBeSortedAndBlocksPresent) {
    ASSERT_TRUE(load("pstsdk-sample1"));
    const std::uint64_t bid = findInternal(*image_, fmt::kSlBlockType, 0);
    auto data = image_->rawBlock(bid);
    auto swapped = data;
    std::swap_ranges(swapped.begin() + 8, swapped.begin() + 8 + fmt::kSlEntrySize,
                     swapped.begin() + 8 + fmt::kSlEntrySize);
    image_->setRawBlock(bid, swapped);
    CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("SLBLOCK", "nid order", "SLBLOCK bid " + hex(bid))) << problems(r);

    // A subnode whose data block is not in the BBT, and the block it replaced now unreferenced.
    const std::uint64_t gone = le64(data, 8 + 8);
    data.at(8 + 8) ^= 0x40;
    image_->setRawBlock(bid, data);
    r = image_->check();
    EXPECT_TRUE(r.report.has("BBT", "bid")) << problems(r);
    EXPECT_TRUE(r.report.has("BBTENTRY", "unreferenced", "bid " + hex(gone) + " ")) << problems(r);
}

TEST_F(NdbFaults, PMapBitsAndTheirFreeTotal) {
    ASSERT_TRUE(load("outlook-empty"));
    const std::uint64_t pmap = fmt::kFirstAMap + fmt::kPageSize;
    const std::uint64_t page = (rootIb(true) - fmt::kFirstAMap) / fmt::kPageSize;
    bytes().at(pmap + page / 8) &= static_cast<std::uint8_t>(~(0x80u >> (page % 8)));
    image_->resealPage(pmap);
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("PMAP", "bit", at(rootIb(true)))) << problems(r);
    EXPECT_TRUE(r.report.has("ROOT", "cbPMapFree")) << problems(r);
}

TEST_F(NdbFaults, DensityListEntriesMatchTheAMaps) {
    ASSERT_TRUE(load("tika-testPST"));  // the one sample with a non-empty DList
    ASSERT_GT(bytes().at(fmt::kDListOffset + 1), 0);
    bytes().at(fmt::kDListOffset + 8 + 3) ^= 0x10;  // free-slot count of entry 0
    CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("DLIST", "dwCRC")) << problems(r);
    image_->resealPage(fmt::kDListOffset);
    r = image_->check();
    EXPECT_TRUE(r.report.has("DLIST", "dwFreeSlots", "entry 0")) << problems(r);
}

// What older Outlook files carry is tolerated by default and reported in strict mode, the
// mode a fresh writer must pass; outside those values the same fields are always problems.
TEST_F(NdbFaults, OutlooksLeftoversOnlyStrictModeReports) {
    ASSERT_TRUE(load("outlook-empty"));
    const auto original = bytes();
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
        const char* structure;
        const char* field;
        bool strictOnly;
    };
    const std::uint64_t leaf = [&] {
        std::uint64_t ib = rootIb(true);
        while (bytes().at(ib + 491) != 0) {
            ib = le64(bytes(), ib + 16);
        }
        return ib;
    }();
    const Case cases[] = {
        {"wVerClient", 0x00C, 18, "HEADER", "wVerClient", true},
        {"Outlook 2003's fAMapValid", fmt::kRootOffset + 68, 0x01, "ROOT", "fAMapValid", true},
        {"an invalid fAMapValid", fmt::kRootOffset + 68, 0x00, "ROOT", "fAMapValid", false},
        {"NBTENTRY dwPadding", leaf + 28, 0x5A, "NBTENTRY", "dwPadding", true},
        {"a NID above 32 bits", leaf + 4, 0x01, "NBTENTRY", "nid", false},
    };
    for (const Case& c : cases) {
        bytes() = original;
        bytes().at(c.offset) = c.value;
        image_->resealHeader();
        image_->resealPage(leaf);
        const CheckResult lenient = image_->check();
        const CheckResult strict = image_->check(true);
        EXPECT_TRUE(strict.report.has(c.structure, c.field)) << c.what << "\n" << problems(strict);
        EXPECT_EQ(lenient.report.has(c.structure, c.field), !c.strictOnly) << c.what << "\n"
                                                                           << problems(lenient);
        EXPECT_EQ(lenient.tolerated, c.strictOnly ? 1u : 0u) << c.what;
    }

    bytes() = original;
    std::fill_n(bytes().begin() + fmt::kDListOffset, fmt::kPageSize, 0);  // no DList at all
    EXPECT_TRUE(image_->check().report.empty()) << problems(image_->check());
    EXPECT_TRUE(image_->check(true).report.has("DLIST", "missing")) << "Outlook 2007 SP2 on";
}

}  // namespace
}  // namespace tolvane::pstcheck::test
