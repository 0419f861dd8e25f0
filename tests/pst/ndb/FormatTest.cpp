// Known answers for the NDB's primitives, taken from Outlook's own files and the tables printed
// in MS-PST: the CRC, the signature, the permute encoding and the layout of the structures.

#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <vector>

#include "MsPstTables.h"
#include "TestFiles.h"
#include "pst/ndb/Crc.h"
#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/Permute.h"

namespace tolvane::pst::ndb {
namespace {

using test::samplesDir;

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class OutlookSample : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto path = samplesDir() / "outlook-empty.pst";
        ASSERT_TRUE(std::filesystem::exists(path)) << "test input missing: " << path;
        bytes = readFile(path);
        header = disk::fromBytes<disk::Header>(bytes);
    }
    std::span<const std::uint8_t> at(std::uint64_t offset, std::size_t size) const {
        return std::span(bytes).subspan(offset, size);
    }
    std::vector<std::uint8_t> bytes;
    disk::Header header;
};

TEST_F(OutlookSample, HeaderCrcsMatchOutlooksOwn) {
    EXPECT_EQ(computeCrc(at(disk::kHeaderCrcStart, disk::kHeaderCrcPartialSize)), 0x77BBFE83u);
    EXPECT_EQ(header.dwCRCPartial, 0x77BBFE83u);
    EXPECT_EQ(computeCrc(at(disk::kHeaderCrcStart, disk::kHeaderCrcFullSize)), header.dwCRCFull);
    EXPECT_EQ(header.dwCRCFull, 0xF0304BC1u);
}

TEST(OutlookFiles, ReadBackRulesHoldOnOutlooksOwnFiles) {
    // The independent reader's rules (exact AMaps, cRef = 1 + referrers, page and block
    // trailers, key order) are the ones these Outlook files keep; the tests hold ours to them.
    for (const char* name : {"outlook-empty.pst", "pstsdk-sample1.pst", "pstsdk-submessage.pst"}) {
        const auto path = samplesDir() / name;
        ASSERT_TRUE(std::filesystem::exists(path)) << "test input missing: " << path;
        EXPECT_EQ(test::pstcheckNdbProblems(path), std::vector<std::string>{}) << name;
    }
}

TEST_F(OutlookSample, PageAndBlockTrailersMatchOutlooksCrcAndSignature) {
    // Every B-tree page and every block of Outlook's file, through the independent reader's
    // walk, checked with the writer's CRC and signature.
    const auto file = test::inspect(samplesDir() / "outlook-empty.pst");
    ASSERT_GT(file.blocks().size(), 20u);
    for (const auto& [bid, block] : file.blocks()) {
        const auto span = (block.cb + 16 + 63) / 64 * 64;
        const auto trailer = disk::fromBytes<disk::BlockTrailer>(at(block.ib + span - 16, 16));
        EXPECT_EQ(computeCrc(at(block.ib, block.cb)), trailer.dwCRC) << "block " << bid;
        EXPECT_EQ(computeSignature(ByteIndex{block.ib}, bid), trailer.wSig) << "block " << bid;
    }
    const disk::Root headerRoot = header.root;
    for (const disk::Bref root : {headerRoot.brefNbt, headerRoot.brefBbt}) {
        const auto page = disk::fromBytes<disk::BtPage>(at(root.ib, 512));
        EXPECT_EQ(computeSignature(ByteIndex{root.ib}, root.bid), page.trailer.wSig);
        EXPECT_EQ(computeCrc(at(root.ib, 496)), page.trailer.dwCRC);
    }
    // The AMap's CRC, and the DList's signature from its offset and BID.
    EXPECT_EQ(computeCrc(at(0x4400, 496)),
              disk::fromBytes<disk::MapPage>(at(0x4400, 512)).trailer.dwCRC);
    const auto dlist = disk::fromBytes<disk::DListPage>(at(0x4200, 512));
    EXPECT_EQ(computeSignature(ByteIndex{0x4200}, dlist.trailer.bid), dlist.trailer.wSig);
}

TEST(Crc, ReproducesTheMsPstSampleHeader) {
    std::vector<std::uint8_t> header(test::kMsPstSampleHeaderStart.begin(),
                                     test::kMsPstSampleHeaderStart.end());
    header.resize(0x200, 0xFF);
    header.insert(header.end(), test::kMsPstSampleHeaderAt0x200.begin(),
                  test::kMsPstSampleHeaderAt0x200.end());
    header.resize(564, 0xFF);
    const auto bytes = std::span<const std::uint8_t>(header);
    EXPECT_EQ(computeCrc(bytes.subspan(disk::kHeaderCrcStart, disk::kHeaderCrcPartialSize)),
              0x379AA90Eu);
    EXPECT_EQ(computeCrc(bytes.subspan(disk::kHeaderCrcStart, disk::kHeaderCrcFullSize)),
              0x1FD283D6u);
    // And the structure reads its fields where MS-PST's annotation puts them.
    const auto h = disk::fromBytes<disk::Header>(bytes);
    const disk::Root root = h.root;
    const std::uint64_t nextB = h.bidNextB, nextP = h.bidNextP, eof = root.ibFileEof;
    const std::uint64_t amapFree = root.cbAMapFree, nbt = root.brefNbt.ib, bbt = root.brefBbt.bid;
    const std::uint32_t partial = h.dwCRCPartial, full = h.dwCRCFull;
    EXPECT_EQ(partial, 0x379AA90Eu);
    EXPECT_EQ(full, 0x1FD283D6u);
    EXPECT_EQ(nextB, 0x1434u);
    EXPECT_EQ(nextP, 0x254u);
    EXPECT_EQ(eof, 0x9F2400u);
    EXPECT_EQ(amapFree, 0x12F240u);
    EXPECT_EQ(nbt, 0x905200u);
    EXPECT_EQ(bbt, 0x253u);
    EXPECT_EQ(h.bCryptMethod, 1);
    const auto again = disk::toBytes(h);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), header.begin()));
}

TEST(Crc, OfNothingAndOfZerosIsZero) {
    const std::vector<std::uint8_t> zeros(1000, 0);
    EXPECT_EQ(computeCrc({}), 0u);
    EXPECT_EQ(computeCrc(zeros), 0u);
    const std::vector<std::uint8_t> one{0x01};
    EXPECT_EQ(computeCrc(one), 0x77073096u);  // entry 1 of the [MS-PST] 5.3 table
}

TEST(Signature, FoldsOffsetXorBid) {
    EXPECT_EQ(computeSignature(ByteIndex{0x7000}, 0x6B), 0x706B);
    EXPECT_EQ(computeSignature(ByteIndex{0x1'0001'0000}, 0x4), 0x0005);  // only 32 bits count
}

// An index past 27 bits would lose its top bits into another node's id.
TEST(Nid, KeepsTypeAndIndexAndRefusesAnIndexPast27Bits) {
    const Nid last = Nid::make(NidType::NormalMessage, 0x07FF'FFFF);
    EXPECT_EQ(last.value, 0xFFFF'FFE4u);
    EXPECT_EQ(last.type(), NidType::NormalMessage);
    EXPECT_EQ(last.index(), 0x07FF'FFFFu);
    EXPECT_THROW(Nid::make(NidType::NormalMessage, 0x0800'0000), PstError);
}

TEST(Permute, EncodeTableIsTheInverseOfMsPstsDecodeTable) {
    const auto& encode = permuteEncodeTable();
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(test::kMsPstPermuteDecode[encode[b]], b) << "byte " << b;
    }
    EXPECT_EQ(permuteDecodeTable(), test::kMsPstPermuteDecode);
    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    auto coded = all;
    permuteEncode(coded);
    EXPECT_NE(coded, all);
    permuteDecode(coded);
    EXPECT_EQ(coded, all);
}

// Every kernel this CPU runs gives the table's bytes, in place and copying, at lengths that
// leave each possible tail after the wide steps.
TEST(Permute, EveryKernelAgreesWithTheTable) {
    std::vector<std::uint8_t> input(4096 + 63);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<std::uint8_t>(i * 167 + i / 256);
    }
    const auto kernels = permuteKernels();
    ASSERT_FALSE(kernels.empty());
    EXPECT_STREQ(kernels.back().name, "portable");
    for (const auto* table : {permuteEncodeTable().data(), permuteDecodeTable().data()}) {
        for (const PermuteKernel& kernel : kernels) {
            for (std::size_t n : {0, 1, 31, 32, 33, 63, 64, 65, 127, 200, 4096 + 63}) {
                std::vector<std::uint8_t> copied(n + 1, 0xAB);
                kernel.run(input.data(), copied.data(), n, table);
                std::vector<std::uint8_t> inPlace(input.begin(), input.begin() + n);
                kernel.run(inPlace.data(), inPlace.data(), n, table);
                for (std::size_t i = 0; i < n; ++i) {
                    ASSERT_EQ(copied[i], table[input[i]])
                        << kernel.name << " n=" << n << " at " << i;
                    ASSERT_EQ(inPlace[i], table[input[i]])
                        << kernel.name << " n=" << n << " at " << i;
                }
                EXPECT_EQ(copied[n], 0xAB) << kernel.name << " wrote past " << n;
            }
        }
    }
}

TEST_F(OutlookSample, PermuteDecodesOutlooksHeapBlocks) {
    // The node 0x21 (message store) data block is a heap: bSig 0xEC, bClientSig 0xBC once
    // decoded ([MS-PST] 2.3.1.2).
    const pstcheck::PstReader file(samplesDir() / "outlook-empty.pst");
    const auto store = file.nodes().at(0x21);
    const auto& block = file.blocks().at(store.bidData);
    std::vector<std::uint8_t> data(
        bytes.begin() + static_cast<std::ptrdiff_t>(block.ib),
        bytes.begin() + static_cast<std::ptrdiff_t>(block.ib + block.cb));
    permuteDecode(data);
    EXPECT_EQ(data[2], 0xEC);
    EXPECT_EQ(data[3], 0xBC);
}

TEST_F(OutlookSample, StructuresRoundTripOutlooksBytes) {
    // Fields are copied out first: HEADER is packed, so references to them would misalign.
    const disk::Root root = header.root;
    const std::uint64_t bidNextP = header.bidNextP, bidNextB = header.bidNextB;
    const std::uint32_t magic = header.dwMagic, folders = header.rgnid[2];
    const std::uint64_t eof = root.ibFileEof, nbtBid = root.brefNbt.bid, nbtIb = root.brefNbt.ib;
    const std::uint64_t bbtIb = root.brefBbt.ib;
    EXPECT_EQ(magic, disk::value::kMagic);
    EXPECT_EQ(header.wVer, 23);
    EXPECT_EQ(header.wVerClient, 19);
    EXPECT_EQ(bidNextP, 0x17Fu);
    EXPECT_EQ(bidNextB, 0x130u);
    EXPECT_EQ(folders, 0x404u);
    EXPECT_EQ(eof, 0x42400u);
    EXPECT_EQ(nbtBid, 0x17Du);
    EXPECT_EQ(nbtIb, 0x9200u);
    EXPECT_EQ(bbtIb, 0x8400u);
    EXPECT_EQ(root.fAMapValid, 2);
    EXPECT_EQ(header.bCryptMethod, 1);
    const auto headerBytes = disk::toBytes(header);
    EXPECT_TRUE(std::equal(headerBytes.begin(), headerBytes.end(), bytes.begin()));

    const auto nbt = disk::fromBytes<disk::BtPage>(at(nbtIb, 512));
    EXPECT_EQ(nbt.cLevel, 1);  // Outlook's 40-odd nodes already need two levels
    EXPECT_EQ(nbt.cbEnt, 24);
    EXPECT_EQ(nbt.trailer.ptype, disk::value::kPageNbt);
    EXPECT_EQ(nbt.trailer.bid, nbtBid);
    const auto nbtBytes = disk::toBytes(nbt);
    EXPECT_TRUE(std::equal(nbtBytes.begin(), nbtBytes.end(), at(nbtIb, 512).begin()));
    const auto dlistBytes = disk::toBytes(disk::fromBytes<disk::DListPage>(at(0x4200, 512)));
    EXPECT_TRUE(std::equal(dlistBytes.begin(), dlistBytes.end(), at(0x4200, 512).begin()));
}

}  // namespace
}  // namespace tolvane::pst::ndb
