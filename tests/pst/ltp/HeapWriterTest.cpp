// Heap on node ([MS-PST] 2.3.1): items come back by HID across many blocks.

#include <gtest/gtest.h>

#include <random>

#include "LtpReader.h"
#include "pst/PstError.h"
#include "pst/ltp/HeapWriter.h"

namespace tolvane::pst::testing {
namespace {

using ltp::HeapWriter;
using ltp::Hid;

ByteVec pattern(std::size_t size, std::uint32_t seed) {
    ByteVec out(size);
    std::mt19937 gen(seed);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(gen());
    }
    return out;
}

TEST(HeapOnNode, ItemsComeBackByHidAcrossManyBlocks) {
    HeapWriter heap(0xBC);
    std::vector<std::pair<Hid, ByteVec>> written;
    std::mt19937 sizes(7);
    // Odd sizes, empty items and full 3580-byte items; enough to pass the bitmap block 136.
    for (std::uint32_t i = 0; i < 3000; ++i) {
        const std::size_t size = i % 97 == 0 ? 3580 : (i % 31 == 0 ? 0 : sizes() % 700 + 1);
        ByteVec bytes = pattern(size, i);
        written.emplace_back(heap.allocate(bytes), std::move(bytes));
    }
    heap.setUserRoot(written[5].first);
    const std::uint64_t expectedSize = heap.totalSize();
    const auto blocks = heap.finish();

    ASSERT_GT(blocks.size(), 137u);
    std::uint64_t total = 0;
    for (const auto& b : blocks) {
        total += b.size();
    }
    EXPECT_EQ(total, expectedSize);

    const auto decoded = readHeap(blocks);
    EXPECT_EQ(decoded.clientSig(), 0xBC);
    EXPECT_EQ(decoded.userRoot(), written[5].first.value);
    for (const auto& [hid, bytes] : written) {
        ASSERT_EQ(item(decoded, hid.value), bytes) << "HID " << hid.value;
    }
    // A block is closed only when the next item (at most 3580 bytes) no longer fits.
    for (std::size_t b = 0; b + 1 < blocks.size(); ++b) {
        const std::size_t map = 4 + 2 * (decoded.itemCount(b) + 2);
        EXPECT_GT(decoded.pageMapOffset(b) + map + 3580, 8176u) << "block " << b;
    }
}

TEST(HeapOnNode, FirstItemsTakeOutlooksHids) {
    HeapWriter heap(0x7C);
    EXPECT_EQ(heap.reserve(8).value, 0x20u);
    EXPECT_EQ(heap.allocate(ByteVec{1, 2, 3}).value, 0x40u);
    EXPECT_EQ(heap.reserve(4).value, 0x60u);
    heap.item(Hid{0x60})[3] = 9;
    const auto blocks = heap.finish();
    ASSERT_EQ(blocks.size(), 1u);
    const auto decoded = readHeap(blocks);
    EXPECT_EQ(item(decoded, 0x40), (ByteVec{1, 2, 3}));
    EXPECT_EQ(item(decoded, 0x60), (ByteVec{0, 0, 0, 9}));
    // 12-byte header, 15 bytes of items, one byte of slack: the page map sits at 28.
    EXPECT_EQ(decoded.pageMapOffset(0), 28);
}

TEST(HeapOnNode, ManySmallItemsStopAt2047PerBlock) {
    HeapWriter heap(0xBC);
    for (int i = 0; i < 5000; ++i) {
        heap.allocate(ByteVec{});
    }
    const auto blocks = heap.finish();
    const auto decoded = readHeap(blocks);
    ASSERT_EQ(decoded.blockCount(), 3u);
    EXPECT_EQ(decoded.itemCount(0), 2047u);
    EXPECT_EQ(decoded.itemCount(2), 5000u - 2 * 2047u);
}

TEST(HeapOnNode, RejectsItemsLargerThan3580Bytes) {
    HeapWriter heap(0xBC);
    EXPECT_THROW(heap.allocate(ByteVec(3581)), PstError);
    EXPECT_THROW(heap.item(Hid{0x40}), PstError);
}

}  // namespace
}  // namespace tolvane::pst::testing
