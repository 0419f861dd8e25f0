// Data trees, subnode trees and the two B-trees, written and read back by the independent
// reader at the sizes where their shape changes.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "NdbFixture.h"
#include "pst/ndb/DiskStructs.h"

namespace tolvane::pst::ndb {
namespace {

using test::NdbFixture;

constexpr std::size_t kBlock = kMaxBlockData;
constexpr std::size_t kOneXBlock = disk::value::kXBlockMax * kBlock;

class DataTrees : public NdbFixture, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(DataTrees, ValueReadsBackWholeInTheRightTreeShape) {
    const std::size_t size = GetParam();
    const auto value = pattern(size, static_cast<std::uint32_t>(size));
    const Nid whole = newNode(value);

    // The same value streamed in uneven pieces must give the same bytes and shape.
    auto stream = db->beginData();
    for (std::size_t at = 0; at < size;) {
        const std::size_t n = std::min<std::size_t>(size - at, 1 + (at * 7919) % 20000);
        stream->append(std::span(value).subspan(at, n));
        at += n;
    }
    EXPECT_EQ(stream->size(), size);
    const Nid streamed = db->allocateNid(NidType::Ltp);
    db->setNode({streamed, stream->finish(), Bid{}, Nid{}});

    auto file = closeAndInspect();
    for (Nid nid : {whole, streamed}) {
        const auto node = file.nodes().at(nid.value);
        EXPECT_EQ(file.data(node.bidData), value) << "node " << nid.value;
        const std::size_t blocks = std::max<std::size_t>(1, (size + kBlock - 1) / kBlock);
        if (blocks == 1) {
            EXPECT_EQ(node.bidData & 2, 0u) << "one block needs no XBLOCK";
        } else {
            ASSERT_EQ(node.bidData & 2, 2u);
            const auto root = file.blocks().at(node.bidData);
            const std::size_t xblocks =
                (blocks + disk::value::kXBlockMax - 1) / disk::value::kXBlockMax;
            // An XBLOCK holds 8 + 8 per BID; an XXBLOCK root holds one BID per XBLOCK.
            EXPECT_EQ(root.cb, 8 + 8 * (xblocks == 1 ? blocks : xblocks)) << "size " << size;
        }
        EXPECT_TRUE(file.problems().empty()) << "size " << size << "\n" << file.problemText();
    }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, DataTrees,
                         ::testing::Values(0, 1, kBlock, kBlock + 1, 5 * kBlock + 3, kOneXBlock,
                                           kOneXBlock + 1, 2 * kOneXBlock + kBlock));

TEST_F(NdbFixture, HeapBlocksArePaddedFullButTheLast) {
    // Outlook's multi-block heaps: every block but the last holds 8176 bytes, unused after the
    // page map.
    const std::vector<std::vector<std::uint8_t>> heap{pattern(3000, 1), pattern(8176, 2),
                                                      pattern(12, 3)};
    const Nid nid{0x122};
    db->setNode({nid, db->writeBlocks(heap), Bid{}, nid});
    auto file = closeAndInspect();
    auto expected = heap[0];
    expected.resize(kMaxBlockData, 0);
    expected.insert(expected.end(), heap[1].begin(), heap[1].end());
    expected.insert(expected.end(), heap[2].begin(), heap[2].end());
    EXPECT_EQ(file.data(file.nodes().at(nid.value).bidData), expected);
    EXPECT_TRUE(file.problems().empty()) << file.problemText();
}

class SubnodeTrees : public NdbFixture, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(SubnodeTrees, EntriesReadBackSortedWithTheirBlocks) {
    const std::size_t count = GetParam();
    std::vector<SubnodeEntry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        // Given in descending order: the writer must sort.
        const Nid nid = Nid::make(NidType::Ltp, static_cast<std::uint32_t>(0x401 + count - i));
        entries.push_back(
            {nid, db->writeData(pattern(10 + i % 50, static_cast<std::uint32_t>(i))), Bid{}});
    }
    // One entry carries subnodes of its own, as an attachment with its data does.
    const SubnodeEntry inner{Nid::make(NidType::Ltp, 0x401), db->writeData(pattern(5000)), Bid{}};
    entries.front().subnodes = db->writeSubnodes(std::span(&inner, 1));
    const Bid tree = db->writeSubnodes(entries);
    const Nid owner = db->allocateNid(NidType::NormalMessage);
    db->setNode({owner, db->writeData(pattern(100)), tree, Nid{0x122}});

    auto file = closeAndInspect();
    const auto read = file.subnodes(file.nodes().at(owner.value).bidSub);
    ASSERT_EQ(read.size(), count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t original = count - 1 - i;
        EXPECT_EQ(read[i].nid, entries[original].nid.value);
        EXPECT_EQ(file.data(read[i].bidData),
                  pattern(10 + original % 50, static_cast<std::uint32_t>(original)));
    }
    const auto nested = file.subnodes(read.back().bidSub);
    ASSERT_EQ(nested.size(), 1u);
    EXPECT_EQ(file.data(nested[0].bidData), pattern(5000));
    // An SIBLOCK over SLBLOCKs once one SLBLOCK's 340 entries are not enough.
    const auto root = file.blocks().at(file.nodes().at(owner.value).bidSub);
    EXPECT_EQ(root.cb, count <= 340 ? 8 + 24 * count : 8 + 16 * ((count + 339) / 340));
    EXPECT_TRUE(file.problems().empty()) << file.problemText();
}

INSTANTIATE_TEST_SUITE_P(Boundaries, SubnodeTrees, ::testing::Values(1, 340, 341, 1500));

TEST_F(NdbFixture, NoSubnodesIsNoBlock) {
    EXPECT_TRUE(db->writeSubnodes({}).isNull());
}

class NodeTrees : public NdbFixture, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(NodeTrees, EveryNodeAndBlockIsFoundThroughLevelsInKeyOrder) {
    const auto [count, depth] = GetParam();
    std::vector<Nid> nids;
    for (int i = 0; i < count; ++i) {
        nids.push_back(
            newNode(pattern(static_cast<std::size_t>(i % 300), static_cast<std::uint32_t>(i))));
    }
    auto file = closeAndInspect();
    EXPECT_EQ(file.nodes().size(), static_cast<std::size_t>(count));
    EXPECT_EQ(file.blocks().size(), static_cast<std::size_t>(count));
    EXPECT_EQ(file.nbtLevels(), static_cast<std::uint32_t>(depth));
    for (int i = 0; i < count; i += 97) {
        EXPECT_EQ(file.data(file.nodes().at(nids[static_cast<std::size_t>(i)].value).bidData),
                  pattern(static_cast<std::size_t>(i % 300), static_cast<std::uint32_t>(i)));
    }
}

// 15 entries fill one NBT leaf, 20 a BBT leaf or an index page.
INSTANTIATE_TEST_SUITE_P(Levels, NodeTrees,
                         ::testing::Values(std::pair{0, 1}, std::pair{1, 1}, std::pair{15, 1},
                                           std::pair{16, 2}, std::pair{300, 2}, std::pair{301, 3},
                                           std::pair{6000, 3}, std::pair{6001, 4}));

// After a commit the leaves it wrote leave memory and are read back from the file when reached
// again: nodes and blocks of earlier commits are found, rewritten (their old blocks released)
// and deleted after later commits, and the file reads back whole.
TEST_F(NdbFixture, LeavesOfEarlierCommitsAreReadBackWhenReachedAgain) {
    constexpr int kNodes = 3000;
    std::vector<Nid> nids;
    for (int i = 0; i < kNodes; ++i) {
        nids.push_back(newNode(pattern(40, static_cast<std::uint32_t>(i))));
        if (i % 500 == 499) {
            db->commit();
        }
    }
    std::map<std::uint32_t, std::vector<std::uint8_t>> expected;
    for (int i = 0; i < kNodes; ++i) {
        const Nid nid = nids[static_cast<std::size_t>(i)];
        ASSERT_TRUE(db->findNode(nid)) << "node " << i;
        if (i % 7 == 0) {
            db->deleteNode(nid);
        } else if (i % 5 == 0) {
            const auto data = pattern(60, static_cast<std::uint32_t>(100000 + i));
            db->setNode({nid, db->writeData(data), Bid{}, Nid{0x122}});
            expected[nid.value] = data;
        } else {
            expected[nid.value] = pattern(40, static_cast<std::uint32_t>(i));
        }
        if (i % 1000 == 999) {
            db->commit();
        }
    }
    for (int i = 1; i < kNodes; i += 7) {
        EXPECT_TRUE(db->findNode(nids[static_cast<std::size_t>(i)])) << "node " << i;
    }
    auto file = closeAndInspect();
    EXPECT_TRUE(file.problems().empty()) << file.problemText();
    EXPECT_EQ(file.nodes().size(), expected.size());
    EXPECT_EQ(file.blocks().size(), expected.size());
    for (const auto& [nid, data] : expected) {
        EXPECT_EQ(file.data(file.nodes().at(nid).bidData), data) << "node " << nid;
    }
}

}  // namespace
}  // namespace tolvane::pst::ndb
