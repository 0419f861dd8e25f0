// BTree-on-heap ([MS-PST] 2.3.2): records come back in key order through any index depth.

#include <gtest/gtest.h>

#include "LtpReader.h"
#include "pst/ltp/BthWriter.h"

namespace tolvane::pst::testing {
namespace {

using namespace ltp;

ReadBth roundTrip(std::size_t count, BthShape shape, int* blocks = nullptr) {
    HeapWriter heap(0xB5);
    const Hid header = reserveBthHeader(heap);
    heap.setUserRoot(header);
    ByteVec records;
    for (std::size_t i = 0; i < count; ++i) {
        for (int k = 0; k < shape.cbKey; ++k) {  // key 3*i+1, little-endian
            records.push_back(static_cast<std::uint8_t>((3 * i + 1) >> (8 * k)));
        }
        for (int k = 0; k < shape.cbEnt; ++k) {
            records.push_back(static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(k)));
        }
    }
    writeBth(heap, header, shape, records);
    const auto finished = heap.finish();
    if (blocks) {
        *blocks = static_cast<int>(finished.size());
    }
    const auto decoded = readHeap(finished);
    ReadBth bth = readBth(decoded, decoded.userRoot(), shape.cbKey, shape.cbEnt);
    EXPECT_EQ(bth.records.size(), count);
    for (std::size_t i = 0; i < bth.records.size(); ++i) {
        EXPECT_EQ(bth.records[i].first, 3 * i + 1);
        EXPECT_EQ(bth.records[i].second[0], static_cast<std::uint8_t>(i * 7));
    }
    return bth;
}

TEST(BTreeOnHeap, EmptyTreeHasNoRoot) {
    const ReadBth bth = roundTrip(0, {4, 4});
    EXPECT_EQ(bth.levels, 0);
}

TEST(BTreeOnHeap, OneLeafHolds447EightByteRecords) {
    EXPECT_EQ(roundTrip(447, {4, 4}).levels, 0);
    EXPECT_EQ(roundTrip(448, {4, 4}).levels, 1);
}

TEST(BTreeOnHeap, GrowsIndexLevelsAndHeapBlocks) {
    int blocks = 0;
    // 447 records a leaf, 447 leaves an index item: 250,000 records need two index levels.
    const ReadBth bth = roundTrip(250000, {4, 4}, &blocks);
    EXPECT_EQ(bth.levels, 2);
    EXPECT_GT(blocks, 200);
    EXPECT_EQ(roundTrip(2000, {2, 6}).levels, 1);
}

}  // namespace
}  // namespace tolvane::pst::testing
