// BTree-on-heap ([MS-PST] 2.3.2): records come back in key order through any index depth.

#include <gtest/gtest.h>

#include <map>
#include <span>
#include <stdexcept>
#include <string>

#include "LtpReader.h"
#include "pst/ltp/BthWriter.h"
#include "pst/ltp/GrowingBthIndex.h"
#include "pst/ndb/ByteOrder.h"

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

// Items by HID, as a heap holds them, over those of `below` if given; an index walk reads
// only through it. Keys are numbers in their first four bytes.
struct ItemsByHid {
    const ItemsByHid* below = nullptr;
    std::uint32_t next = 1;
    std::map<std::uint32_t, ByteVec> items;
    Hid put(std::span<const std::uint8_t> bytes) {
        const Hid hid{next++ << 5};
        items.emplace(hid.value, ByteVec(bytes.begin(), bytes.end()));
        return hid;
    }
    const ByteVec& at(std::uint32_t hid) const {
        const auto found = items.find(hid);
        if (found != items.end()) {
            return found->second;
        }
        if (below == nullptr) {
            throw std::out_of_range("no item with HID " + std::to_string(hid));
        }
        return below->at(hid);
    }
    // Depth first, each index item's count of children and each leaf's key; an index record
    // whose key is not its child's first key, or a HID not held, throws.
    void walk(std::uint32_t hid, int levels, BthShape shape,
              std::vector<std::uint32_t>& out) const {
        const ByteVec& item = at(hid);
        if (levels == 0) {
            out.push_back(le(item, 0, 4));
            return;
        }
        const std::size_t record = shape.indexRecordSize();
        out.push_back(0x80000000u | static_cast<std::uint32_t>(item.size() / record));
        for (std::size_t at = 0; at < item.size(); at += record) {
            const std::uint32_t child = le(item, at + shape.cbKey, 4);
            if (le(this->at(child), 0, 4) != le(item, at, 4)) {
                throw std::runtime_error("index key is not its child's first key");
            }
            walk(child, levels - 1, shape, out);
        }
    }
};

// An index as a contents table grows its RowIndex: full leaves, a partial last one or none,
// and a write now and then. Each write must give the tree writeBthIndex builds over the same
// leaves, while the items it writes anew stay as few as the tree's levels. Returns how many
// items were kept for good.
std::size_t checkGrowingIndex(BthShape shape, const std::vector<std::size_t>& writesAt) {
    ItemsByHid heap;
    GrowingBthIndex growing(shape);
    ByteVec leafRecords;  // one index record per full leaf, for writeBthIndex
    std::size_t fullLeaves = 0;
    std::size_t keptItems = 0;
    const auto leafWithKey = [&](std::size_t n) {
        ByteVec leaf(shape.recordSize());
        ndb::le::put32(leaf, 0, static_cast<std::uint32_t>(3 * n + 1));
        return leaf;
    };
    for (const std::size_t target : writesAt) {
        while (fullLeaves < target) {
            const ByteVec leaf = leafWithKey(fullLeaves++);
            const Hid hid = heap.put(leaf);
            addIndexRecord(leafRecords, leaf, shape.cbKey, hid);
            growing.addFullLeaf(leaf, hid, [&](std::span<const std::uint8_t> item) {
                ++keptItems;
                return heap.put(item);
            });
        }
        for (const bool partialLeaf : {false, true}) {
            SCOPED_TRACE(std::to_string(target) + " full leaves, partial leaf " +
                         std::to_string(partialLeaf));
            const ByteVec last = partialLeaf ? leafWithKey(fullLeaves) : ByteVec();
            ItemsByHid expected{&heap, heap.next, {}};
            ByteVec records = leafRecords;
            if (partialLeaf) {
                addIndexRecord(records, last, shape.cbKey, expected.put(last));
            }
            const disk::BthHeader whole = writeBthIndex(
                shape, records,
                [&](std::span<const std::uint8_t> item) { return expected.put(item); });
            ItemsByHid written{&heap, heap.next + 100000, {}};  // no HID shared with the other
            int writtenAnew = 0;
            const disk::BthHeader grown =
                growing.header(last, [&](std::span<const std::uint8_t> item) {
                    ++writtenAnew;
                    return written.put(item);
                });
            EXPECT_EQ(grown.bIdxLevels, whole.bIdxLevels);
            EXPECT_EQ(grown.hidRoot == 0, whole.hidRoot == 0);
            if (whole.hidRoot != 0 && grown.hidRoot != 0) {
                std::vector<std::uint32_t> got, want;
                written.walk(grown.hidRoot, grown.bIdxLevels, shape, got);
                expected.walk(whole.hidRoot, whole.bIdxLevels, shape, want);
                EXPECT_EQ(got, want);
            }
            EXPECT_LE(writtenAnew, whole.bIdxLevels + 1);
        }
    }
    return keptItems;
}

TEST(BTreeOnHeap, AGrowingIndexIsTheWholeIndexWrittenAnewButKeepsItsFullItems) {
    // The RowIndex's own shape: 447 index records an item.
    EXPECT_EQ(checkGrowingIndex({4, 4}, {0, 1, 2, 446, 447, 448, 894, 1000}), 2u);
    // 16-byte keys, 179 records an item, to reach a second full level quickly: 32,223 full
    // leaves make 180 full items over them, and one over 179 of those.
    EXPECT_EQ(checkGrowingIndex({16, 4}, {1, 178, 179, 180, 179 * 179 - 1, 179 * 179, 179 * 179 + 1,
                                          179 * 179 + 179 + 3}),
              180u + 1u);
}

}  // namespace
}  // namespace tolvane::pst::testing
