// Maps marked INVALID_AMAP: the state a space operation cut short leaves, the maps to be
// rebuilt from the B-trees. The checker holds the maps to nothing then, notes the state, and
// checks what a rebuild rests on: every page and block inside ibFileEof, clear of the map
// pages, no two overlapping. Each fault is shown found first where it must be.
#include <gtest/gtest.h>

#include "PstImage.h"
#include "TestHelpers.h"
#include "pstcheck/ndb/Crc.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck::test {
namespace {

constexpr std::size_t kFAMapValid = fmt::kRootOffset + 68;
constexpr std::size_t kIbFileEof = fmt::kRootOffset + 4;
constexpr std::size_t kIbAMapLast = fmt::kRootOffset + 12;
constexpr std::size_t kCbAMapFree = fmt::kRootOffset + 20;

bool noted(const CheckResult& r, const std::string& structure, const std::string& field) {
    for (const Problem& n : r.report.notes()) {
        if (n.structure == structure && n.field == field) {
            return true;
        }
    }
    return false;
}

class MapRebuild : public SampleCopy {
  protected:
    void setHeader64(std::size_t at, std::uint64_t value) {
        const auto v = le(value, 8);
        std::copy(v.begin(), v.end(), bytes().begin() + static_cast<std::ptrdiff_t>(at));
        image_->resealHeader();
    }
    void markMaps(std::uint8_t fAMapValid) {
        bytes().at(kFAMapValid) = fAMapValid;
        image_->resealHeader();
    }
    // Another section of zeros at the end, which no header names yet.
    void appendSection() { bytes().resize(bytes().size() + fmt::kAMapCoverage, 0); }
    // Puts a block's bytes at ib and points its BBT entry there, trailer signed for its place.
    void moveBlock(std::uint64_t bid, std::uint64_t ib) {
        const BbtEntry e = image_->block(bid);
        const std::size_t span = fmt::blockSize(e.cb);
        const std::vector<std::uint8_t> block(
            bytes().begin() + static_cast<std::ptrdiff_t>(e.ib),
            bytes().begin() + static_cast<std::ptrdiff_t>(e.ib + span));
        auto entry = le(bid, 8);
        const auto oldIb = le(e.ib, 8);
        entry.insert(entry.end(), oldIb.begin(), oldIb.end());
        const std::size_t at = findInTree(bytes(), rootIb(false), entry);
        const auto newIb = le(ib, 8);
        std::copy(newIb.begin(), newIb.end(),
                  bytes().begin() + static_cast<std::ptrdiff_t>(at + 8));
        image_->resealPage(at - at % fmt::kPageSize);
        std::copy(block.begin(), block.end(), bytes().begin() + static_cast<std::ptrdiff_t>(ib));
        const auto sig = le(signature(ib, bid), 2);
        std::copy(sig.begin(), sig.end(),
                  bytes().begin() + static_cast<std::ptrdiff_t>(ib + span - 16 + 2));
    }
    // Two blocks of the store, the first one no larger than a page.
    std::pair<std::uint64_t, std::uint64_t> twoBlocks() {
        std::uint64_t small = 0, other = 0;
        for (const auto& [bid, e] : image_->trees().bbt) {
            if (small == 0 && fmt::blockSize(e.cb) <= fmt::kPageSize) {
                small = bid;
            } else if (other == 0) {
                other = bid;
            }
        }
        EXPECT_NE(small, 0u);
        EXPECT_NE(other, 0u);
        return {small, other};
    }
};

TEST_F(MapRebuild, MapsToRebuildAreNotCheckedButNoted) {
    ASSERT_TRUE(load("outlook-empty"));
    // Every map figure wrong: AMap bits (page resealed, then its CRC too), DList, cbAMapFree.
    std::fill_n(bytes().begin() + fmt::kFirstAMap, 64, 0);
    image_->resealPage(fmt::kFirstAMap);
    bytes().at(fmt::kDListOffset + 8 + 3) ^= 0x10;
    setHeader64(kCbAMapFree, 12345 * 64);
    const CheckResult valid = image_->check(true);
    EXPECT_TRUE(valid.report.has("AMAP", "bit")) << problems(valid);
    EXPECT_TRUE(valid.report.has("ROOT", "cbAMapFree")) << problems(valid);
    EXPECT_TRUE(valid.report.has("DLIST", "dwCRC")) << problems(valid);
    bytes().at(fmt::kFirstAMap + fmt::kPageTrailerOffset + 4) ^= 0xFF;

    markMaps(0x00);
    const CheckResult rebuild = image_->check(true);
    EXPECT_TRUE(rebuild.report.empty()) << problems(rebuild);
    EXPECT_TRUE(noted(rebuild, "ROOT", "fAMapValid"));
    EXPECT_EQ(rebuild.messages, valid.messages);
    EXPECT_GT(rebuild.nodes, 0u);

    // Only 0x00 means rebuild: anything else undefined stays a problem.
    markMaps(0x03);
    EXPECT_TRUE(image_->check(true).report.has("ROOT", "fAMapValid"));
}

// Growth under way: the file may run on past ibFileEof, never stop short of it.
TEST_F(MapRebuild, AFileLeftMidGrowthHoldsItsStoreBelowIbFileEof) {
    ASSERT_TRUE(load("outlook-empty"));
    const auto original = bytes();
    appendSection();
    EXPECT_TRUE(image_->check(true).report.has("ROOT", "ibFileEof"));
    markMaps(0x00);
    const CheckResult grown = image_->check(true);
    EXPECT_TRUE(grown.report.empty()) << problems(grown);
    EXPECT_TRUE(noted(grown, "ROOT", "ibFileEof"));

    bytes() = original;
    markMaps(0x00);
    setHeader64(kIbFileEof, original.size() + fmt::kAMapCoverage);
    setHeader64(kIbAMapLast, original.size());
    const CheckResult cut = image_->check(true);
    EXPECT_TRUE(cut.report.has("ROOT", "ibFileEof")) << problems(cut);
}

TEST_F(MapRebuild, ABlockPastIbFileEofFailsAndInsideItPasses) {
    ASSERT_TRUE(load("outlook-empty"));
    const auto [bid, other] = twoBlocks();
    (void)other;
    const std::uint64_t eof = bytes().size();
    appendSection();
    moveBlock(bid, eof + 0x1000);
    markMaps(0x00);
    const CheckResult outside = image_->check(true);
    EXPECT_TRUE(outside.report.has("BBTENTRY", "ib", "bid " + hex(bid))) << problems(outside);
    EXPECT_TRUE(outside.report.has("ALLOCATION", "range", at(eof + 0x1000))) << problems(outside);

    // The same bytes with the new section named by the header: the block is in the store.
    setHeader64(kIbFileEof, eof + fmt::kAMapCoverage);
    setHeader64(kIbAMapLast, eof);
    const CheckResult inside = image_->check(true);
    EXPECT_TRUE(inside.report.empty()) << problems(inside);
}

TEST_F(MapRebuild, BlocksOnMapPagesOrOnEachOtherFail) {
    ASSERT_TRUE(load("outlook-empty"));
    const auto original = bytes();
    const auto [small, other] = twoBlocks();
    markMaps(0x00);
    ASSERT_TRUE(image_->check(true).report.empty()) << problems(image_->check(true));

    // On the first AMap, which a rebuild rewrites.
    moveBlock(small, fmt::kFirstAMap);
    const CheckResult onMap = image_->check(true);
    EXPECT_TRUE(onMap.report.has("ALLOCATION", "overlap", at(fmt::kFirstAMap))) << problems(onMap);
    EXPECT_EQ(onMap.report.problems().size(), 1u) << problems(onMap);

    // Two BBT entries on the same bytes.
    bytes() = original;
    markMaps(0x00);
    moveBlock(small, image_->block(other).ib);
    const CheckResult shared = image_->check(true);
    EXPECT_TRUE(shared.report.has("ALLOCATION", "overlap")) << problems(shared);
}

}  // namespace
}  // namespace tolvane::pstcheck::test
