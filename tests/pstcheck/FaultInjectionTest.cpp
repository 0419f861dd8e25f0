// One fault at a time in a copy of Outlook's empty store, everything else re-sealed: the
// checker names that fault, with its structure, field and location.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "PstImage.h"
#include "TestHelpers.h"
#include "pstcheck/messaging/Ids.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck::test {
namespace {

constexpr std::uint32_t kTopOfPersonalFolders = 0x8022;
constexpr std::uint32_t kDeletedItems = 0x8062;

class FaultInjection : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string path = std::string(TOLVANE_PST_SAMPLES) + "/outlook-empty.pst";
        ASSERT_TRUE(std::filesystem::exists(path)) << "test input missing: " << path;
        image_.emplace(path);
        ASSERT_TRUE(image_->check().report.empty()) << problems(image_->check());
    }
    std::vector<std::uint8_t>& bytes() { return image_->bytes(); }
    std::uint64_t nbtRootIb() { return le64(bytes(), fmt::kRootOffset + 44); }

    std::optional<PstImage> image_;
};

TEST_F(FaultInjection, FlippedByteInABlockIsACrcErrorAtThatBid) {
    const std::uint64_t bid = image_->node(nid::kMessageStore).bidData;
    bytes().at(image_->block(bid).ib + 10) ^= 0x01;
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("BLOCKTRAILER", "dwCRC", "bid " + hex(bid) + " ")) << problems(r);
}

TEST_F(FaultInjection, HeaderCrcsCoverTheirOwnRanges) {
    bytes().at(0x028) ^= 0x01;  // dwUnique: inside both CRC ranges
    CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("HEADER", "dwCRCPartial")) << problems(r);
    EXPECT_TRUE(r.report.has("HEADER", "dwCRCFull")) << problems(r);

    image_->resealHeader();
    bytes().at(0x202) ^= 0x01;  // rgbReserved: only the full CRC covers it
    r = image_->check();
    EXPECT_FALSE(r.report.has("HEADER", "dwCRCPartial")) << problems(r);
    EXPECT_TRUE(r.report.has("HEADER", "dwCRCFull")) << problems(r);
}

TEST_F(FaultInjection, ClearedAMapBitOfALivePageIsReported) {
    const std::uint64_t ib = nbtRootIb();
    const std::uint64_t slot = (ib - fmt::kFirstAMap) / fmt::kSlot;
    bytes().at(fmt::kFirstAMap + slot / 8) &= static_cast<std::uint8_t>(~(0x80u >> (slot % 8)));
    CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("AMAP", "dwCRC", at(fmt::kFirstAMap))) << problems(r);

    image_->resealPage(fmt::kFirstAMap);
    r = image_->check();
    EXPECT_FALSE(r.report.has("AMAP", "dwCRC")) << problems(r);
    EXPECT_TRUE(r.report.has("AMAP", "bit", at(ib))) << problems(r);
    EXPECT_TRUE(r.report.has("ROOT", "cbAMapFree")) << problems(r);
}

TEST_F(FaultInjection, SwappedKeysInAnNbtPageBreakTheOrder) {
    std::uint64_t ib = nbtRootIb(), bid = le64(bytes(), fmt::kRootOffset + 36);
    while (bytes().at(ib + 491) != 0) {  // follow the first child down to a leaf
        bid = le64(bytes(), ib + 8);
        ib = le64(bytes(), ib + 16);
    }
    ASSERT_GE(bytes().at(ib + 488), 2);
    std::swap_ranges(bytes().begin() + static_cast<std::ptrdiff_t>(ib),
                     bytes().begin() + static_cast<std::ptrdiff_t>(ib + fmt::kNbtEntrySize),
                     bytes().begin() + static_cast<std::ptrdiff_t>(ib + fmt::kNbtEntrySize));
    image_->resealPage(ib);
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("NBT_PAGE", "key order", "page bid " + hex(bid))) << problems(r);
    EXPECT_FALSE(r.report.has("NBT_PAGE", "dwCRC")) << problems(r);
}

TEST_F(FaultInjection, ContentCountThatDisagreesWithTheFolderIsReportedTwice) {
    const std::uint64_t bid = image_->node(kDeletedItems).bidData;
    std::vector<std::uint8_t> data = image_->blockData(bid);
    // PC record {wPropId 0x3602, wPropType 0x0003, value}.
    const std::size_t at_ = findOnce(data, {0x02, 0x36, 0x03, 0x00});
    data.at(at_ + 4) = 5;
    image_->setBlockData(bid, data);
    const CheckResult r = image_->check();
    EXPECT_FALSE(r.report.has("BLOCKTRAILER", "dwCRC")) << problems(r);
    EXPECT_TRUE(r.report.has("FOLDER", "PidTagContentCount", "folder " + hex(kDeletedItems)))
        << problems(r);
    // The parent's hierarchy row still says 0.
    EXPECT_TRUE(
        r.report.has("HIERARCHY_TABLE", "PidTagContentCount", "row for " + hex(kDeletedItems)))
        << problems(r);
}

TEST_F(FaultInjection, ParentLinkAndHierarchyRowsMustAgree) {
    const NbtEntry n = image_->node(kDeletedItems);
    std::vector<std::uint8_t> entry = le(kDeletedItems, 8);
    for (const std::uint64_t v : {n.bidData, n.bidSub}) {
        const auto part = le(v, 8);
        entry.insert(entry.end(), part.begin(), part.end());
    }
    const auto parent = le(n.nidParent, 4);
    entry.insert(entry.end(), parent.begin(), parent.end());
    const std::size_t at_ = findInTree(bytes(), nbtRootIb(), entry);
    const auto root = le(nid::kRootFolder, 4);
    std::copy(root.begin(), root.end(), bytes().begin() + static_cast<std::ptrdiff_t>(at_ + 24));
    image_->resealPage(at_ & ~std::size_t{fmt::kPageSize - 1});
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("HIERARCHY_TABLE", "row", "folder " + hex(kTopOfPersonalFolders)))
        << problems(r);
    EXPECT_TRUE(r.report.has("HIERARCHY_TABLE", "row", "folder " + hex(nid::kRootFolder)))
        << problems(r);
}

TEST_F(FaultInjection, ReferenceCountMustBeOnePlusReferrers) {
    const std::uint64_t bid = image_->node(kDeletedItems).bidData;
    const BbtEntry e = image_->block(bid);
    std::vector<std::uint8_t> entry = le(bid, 8);
    const auto ib = le(e.ib, 8), cb = le(e.cb, 2), cRef = le(e.cRef, 2);
    for (const auto* part : {&ib, &cb, &cRef}) {
        entry.insert(entry.end(), part->begin(), part->end());
    }
    const std::size_t at_ = findInTree(bytes(), le64(bytes(), fmt::kRootOffset + 60), entry);
    bytes().at(at_ + 18) = static_cast<std::uint8_t>(e.cRef + 1);
    image_->resealPage(at_ & ~std::size_t{fmt::kPageSize - 1});
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("BBTENTRY", "cRef", "bid " + hex(bid) + " ")) << problems(r);
}

TEST_F(FaultInjection, DataReadWithoutPermuteDecodingIsNoHeap) {
    bytes().at(0x201) = fmt::kCryptNone;
    image_->resealHeader();
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("HNHDR", "bSig", "nid " + hex(nid::kMessageStore))) << problems(r);
}

TEST_F(FaultInjection, FileThatGrewPastItsLastSectionIsReported) {
    bytes().resize(bytes().size() + fmt::kPageSize, 0);
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("ROOT", "ibFileEof")) << problems(r);
}

}  // namespace
}  // namespace tolvane::pstcheck::test
