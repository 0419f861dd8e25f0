// A file past 4 GiB, written by streaming: 64-bit offsets everywhere and XXBLOCK trees. The
// file (about 4.1 GiB) is removed at the end. The memory streaming takes is measured by
// bench/pst_ndb_bench and bench/pst_writer_bench, not asserted here.

#include <gtest/gtest.h>

#include <filesystem>

#include "NdbFixture.h"

namespace tolvane::pst::ndb {
namespace {

using test::NdbFixture;

constexpr std::uint64_t kValueSize = 2'150'000'000;  // two of these pass 4 GiB
constexpr std::size_t kChunk = 1 << 20;
constexpr std::uint64_t kGiB = 1ull << 30;

// The value's bytes: one MiB of pattern, each MiB stamped with its index, so any block of it
// can be checked without holding the value.
std::uint8_t byteAt(std::uint64_t pos, std::uint32_t seed) {
    const std::uint64_t chunk = pos / kChunk;
    const std::uint64_t off = pos % kChunk;
    return off < 8 ? static_cast<std::uint8_t>(chunk >> (8 * off))
                   : static_cast<std::uint8_t>((off * 131 + (off >> 9) + seed) & 0xFF);
}

TEST_F(NdbFixture, StreamsPastFourGiBWithOffsetsAbove32Bits) {
    // The disk is shared: a test that filled it would fail everything running beside it, so
    // too little room is this test's failure, named as such, before anything is written.
    const std::uint64_t available = std::filesystem::space(path.parent_path()).available;
    ASSERT_GE(available, 6 * kGiB) << "not enough disk: this test writes 4.1 GiB and needs 6 GiB "
                                   << "free in the temporary folder (" << path.parent_path()
                                   << ", set by TMPDIR), which has " << (available >> 20) << " MiB";
    std::vector<std::uint8_t> chunk(kChunk);
    std::vector<Nid> nids;
    for (std::uint32_t seed : {1u, 2u}) {
        for (std::size_t i = 8; i < kChunk; ++i) {
            chunk[i] = byteAt(i, seed);
        }
        auto stream = db->beginData();
        for (std::uint64_t at = 0; at < kValueSize; at += kChunk) {
            for (std::size_t i = 0; i < 8; ++i) {
                chunk[i] = byteAt(at + i, seed);
            }
            stream->append(
                std::span(chunk).first(std::min<std::uint64_t>(kChunk, kValueSize - at)));
        }
        nids.push_back(db->allocateNid(NidType::Ltp));
        db->setNode({nids.back(), stream->finish(), Bid{}, Nid{}});
    }
    const Nid small = newNode(pattern(20'000));
    db->close();

    auto file = test::inspect(path, /*checkDataBlocks=*/false);
    EXPECT_GT(file.bytes().size(), 1ull << 32);
    EXPECT_GT(file.header().root.ibFileEof, 1ull << 32);
    EXPECT_EQ(file.data(file.nodes().at(small.value).bidData), pattern(20'000));

    // Each value is an XXBLOCK over XBLOCKs of 1021 full blocks. The first block and the one
    // placed furthest into the file (past 4 GiB for the second value) read back exactly.
    const std::uint64_t blocks = (kValueSize + kMaxBlockData - 1) / kMaxBlockData;
    for (std::uint32_t seed : {1u, 2u}) {
        const auto xxblock = file.xblock(file.nodes().at(nids[seed - 1].value).bidData);
        const auto& xblocks = xxblock.children;
        EXPECT_EQ(xxblock.level, 2);
        EXPECT_EQ(xxblock.total, kValueSize);
        ASSERT_EQ(xblocks.size(), (blocks + 1020) / 1021);
        std::vector<std::uint64_t> leaves;
        for (std::uint64_t x : xblocks) {
            const auto under = file.xblock(x).children;
            leaves.insert(leaves.end(), under.begin(), under.end());
        }
        ASSERT_EQ(leaves.size(), blocks);
        std::size_t furthest = 0;
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            if (file.blocks().at(leaves[i]).ib > file.blocks().at(leaves[furthest]).ib) {
                furthest = i;
            }
        }
        if (seed == 2) {
            EXPECT_GT(file.blocks().at(leaves[furthest]).ib, 1ull << 32);
        }
        for (std::size_t index : {std::size_t{0}, furthest, leaves.size() - 1}) {
            const std::uint64_t start = index * kMaxBlockData;
            const auto data = file.data(leaves[index]);
            ASSERT_EQ(data.size(), std::min<std::uint64_t>(kMaxBlockData, kValueSize - start));
            for (std::size_t i = 0; i < data.size(); ++i) {
                ASSERT_EQ(data[i], byteAt(start + i, seed))
                    << "value " << seed << " at " << start + i;
            }
        }
    }
    EXPECT_TRUE(file.problems().empty()) << file.problemText();
    EXPECT_EQ(test::pffinfo(path).status, 0);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tolvane::pst::ndb
