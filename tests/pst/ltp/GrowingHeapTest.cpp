// A heap on node that lives from commit to commit: where items go once written blocks have
// left memory.

#include <gtest/gtest.h>

#include <vector>

#include "LtpReader.h"
#include "pst/ltp/GrowingHeap.h"

namespace tolvane::pst::testing {
namespace {

using ltp::GrowingHeap;
using ltp::Hid;

std::vector<std::uint8_t> item(std::size_t size, std::uint8_t fill) {
    return std::vector<std::uint8_t>(size, fill);
}

// Two items of 3000 bytes fill a block, a third does not fit; 2000 more fit beside two.
TEST(GrowingHeap, AnItemTheLastBlockCannotTakeGoesToTheFirstBlockStillInMemoryWithRoom) {
    MemoryBlockWriter db;
    GrowingHeap heap(0xBC);
    std::vector<std::uint32_t> blocks;
    for (int i = 0; i < 7; ++i) {
        blocks.push_back(heap.allocate(item(3000, static_cast<std::uint8_t>(i))).block());
    }
    ASSERT_EQ(blocks, (std::vector<std::uint32_t>{0, 0, 1, 1, 2, 2, 3}));
    heap.write(db);  // blocks 1 and 2 leave memory; 0 (the header's) and 3 (the last) stay

    EXPECT_EQ(heap.allocate(item(3000, 7)).block(), 3u);
    EXPECT_EQ(heap.allocate(item(2000, 8)).block(), 3u);
    const Hid intoFirst = heap.allocate(item(2000, 9));
    EXPECT_EQ(intoFirst.block(), 0u) << "the last block is full and block 0 has room";
    EXPECT_EQ(heap.item(intoFirst)[0], 9);
    EXPECT_EQ(heap.allocate(item(2000, 10)).block(), 4u) << "no block in memory has room";
}

}  // namespace
}  // namespace tolvane::pst::testing
