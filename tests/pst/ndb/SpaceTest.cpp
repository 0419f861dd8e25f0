// Space and state: the allocation maps follow every allocation and release, replaced and
// deleted nodes leave no dead space, and the file is valid after each commit, after close and
// after a writer that never closed.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "NdbFixture.h"
#include "pst/PstError.h"
#include "pst/ndb/Layout.h"

namespace tolvane::pst::ndb {
namespace {

using test::NdbFixture;

constexpr std::uint64_t kSection = 253952;
constexpr std::size_t kOneXBlockBytes = 1021 * kMaxBlockData;

// Sum of the unallocated ranges pffinfo reads from the AMaps.
std::uint64_t pffinfoFreeBytes(const std::filesystem::path& file) {
    const auto result = test::pffinfo(file);
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output.find("rror"), std::string::npos) << result.output;
    std::uint64_t total = 0;
    const std::regex size(R"(size: (\d+))");
    for (std::sregex_iterator it(result.output.begin(), result.output.end(), size), end; it != end;
         ++it) {
        total += std::stoull((*it)[1]);
    }
    return total;
}

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path, std::size_t size) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> out(size);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
    return out;
}

TEST_F(NdbFixture, EmptyFileHeaderAndMapsAreOutlooks) {
    auto file = closeAndInspect();
    const auto sample = test::samplesDir() / "outlook-empty.pst";
    ASSERT_TRUE(std::filesystem::exists(sample)) << "test input missing: " << sample;
    const auto ours = fileBytes(path, 0x4400);
    const auto outlook = fileBytes(sample, 0x4400);
    // Same bytes where Outlook's are not ids, counters, tree places or CRCs: magic to platform,
    // rgbFM/rgbFP, sentinel and crypt method, all the reserved space up to the DList.
    auto same = [&](std::size_t from, std::size_t to) {
        return std::equal(ours.begin() + static_cast<std::ptrdiff_t>(from),
                          ours.begin() + static_cast<std::ptrdiff_t>(to),
                          outlook.begin() + static_cast<std::ptrdiff_t>(from));
    };
    EXPECT_TRUE(same(0x0, 0x4));
    EXPECT_TRUE(same(0x8, 0x10));
    EXPECT_TRUE(same(0xB4, 0xC0)) << "ibFileEof of one section";
    EXPECT_TRUE(same(0xF8, 0x204)) << "fAMapValid, rgbFM, rgbFP, bSentinel, bCryptMethod";
    EXPECT_TRUE(same(0x234, 0x4200)) << "unused space";
    EXPECT_EQ(file.header().root.cbPMapFree, 0u);
    // rgnid: Outlook's file has used four folder indexes; every other slot starts the same.
    for (std::size_t t = 0; t < 32; ++t) {
        if (t != 0x02 && t != 0x0D && t != 0x0E && t != 0x0F) {
            EXPECT_EQ(file.header().rgnid[t], outlook[0x2C + 4 * t] | outlook[0x2D + 4 * t] << 8 |
                                                  outlook[0x2E + 4 * t] << 16)
                << "rgnid[" << t << "]";
        }
    }
    // An empty DList as Outlook writes it: no entries, trailer BID = the header's bidNextP.
    EXPECT_TRUE(
        std::all_of(ours.begin() + 0x4200, ours.begin() + 0x43F0, [](auto b) { return b == 0; }));
    EXPECT_EQ(ours[0x43F0], 0x86);
    EXPECT_EQ(ours[0x43F8], ours[0x20]);
    EXPECT_EQ(pffinfoFreeBytes(path), file.amapFreeBytes());
}

TEST_F(NdbFixture, MapsFollowAllocationsIntoTheNextSection) {
    // 300 KB cannot fit the first section: the file grows by one whole section with its AMap.
    newNode(pattern(300'000));
    auto file = closeAndInspect();
    EXPECT_EQ(file.bytes().size(), 0x4400 + 2 * kSection);
    EXPECT_EQ(file.header().root.ibAMapLast, 0x4400 + kSection);
    EXPECT_EQ(pffinfoFreeBytes(path), file.amapFreeBytes());
}

TEST_F(NdbFixture, EighthSectionGetsAPMapAndTheDListListsFreeSections) {
    for (int i = 0; i < 9; ++i) {
        newNode(pattern(240'000, static_cast<std::uint32_t>(i)));
    }
    const Nid small = newNode(pattern(100));
    auto file = closeAndInspect();  // checks the PMap at section 8 and every AMap
    EXPECT_GE(file.bytes().size(), 0x4400 + 9 * kSection);
    EXPECT_EQ(file.data(file.nodes().at(small.value).bidData), pattern(100));
    const auto dlist = fileBytes(path, 0x4400);
    EXPECT_EQ(dlist[0x4201] > 0, true) << "cEntDList";
    // Entries run from the most free AMap to the least ([MS-PST] 2.2.2.7.4).
    for (std::size_t i = 1; i < dlist[0x4201]; ++i) {
        auto freeSlots = [&](std::size_t e) {
            const std::size_t at = 0x4208 + 4 * e;
            return (dlist[at + 2] >> 4) | (dlist[at + 3] << 4);
        };
        EXPECT_GE(freeSlots(i - 1), freeSlots(i));
    }
    EXPECT_EQ(pffinfoFreeBytes(path), file.amapFreeBytes());
}

TEST_F(NdbFixture, FMapJoinsOncePastTheHeadersFirst128AMaps) {
    // The header's rgbFM covers AMaps 0-127; section 128 carries the first FMap page.
    const auto value = pattern(1 << 20);
    for (int i = 0; i < 33; ++i) {
        newNode(value);
    }
    auto file = closeAndInspect();  // checks the FMap's place, trailer and every byte
    EXPECT_GE(file.bytes().size(), 0x4400 + 129 * kSection);
    EXPECT_EQ(pffinfoFreeBytes(path), file.amapFreeBytes());
}

TEST_F(NdbFixture, ReplacedValueLeavesNoDeadSpace) {
    const Nid nid = newNode(pattern(100'000, 1));
    db->setNode({nid, db->writeData(pattern(50'000, 2)), Bid{}, Nid{0x122}});
    auto replaced = closeAndInspect();

    test::TempDir other;
    auto once = NodeDatabase::create(other.file("once.pst"));
    once->setNode({nid, once->writeData(pattern(50'000, 2)), Bid{}, Nid{0x122}});
    once->close();
    const auto direct = test::inspect(other.file("once.pst"));

    EXPECT_EQ(replaced.data(replaced.nodes().at(nid.value).bidData), pattern(50'000, 2));
    EXPECT_EQ(replaced.blocks().size(), direct.blocks().size());
    EXPECT_EQ(replaced.amapFreeBytes(), direct.amapFreeBytes());
    EXPECT_EQ(replaced.bytes().size(), direct.bytes().size());
}

TEST_F(NdbFixture, DeletedNodeReleasesItsDataAndSubnodeTrees) {
    const Nid keep = newNode(pattern(10));
    const SubnodeEntry attachment{Nid::make(NidType::Attachment, 0x401),
                                  db->writeData(pattern(40'000)), Bid{}};
    const Nid gone = db->allocateNid(NidType::NormalMessage);
    db->setNode({gone, db->writeData(pattern(20'000)), db->writeSubnodes(std::span(&attachment, 1)),
                 Nid{0x122}});
    ASSERT_TRUE(db->findNode(gone).has_value());
    db->deleteNode(gone);
    EXPECT_FALSE(db->findNode(gone).has_value());
    auto file = closeAndInspect();
    EXPECT_EQ(file.nodes().size(), 1u);
    EXPECT_EQ(file.blocks().size(), 1u) << "only the kept node's block";
    EXPECT_EQ(file.data(file.nodes().at(keep.value).bidData), pattern(10));
    EXPECT_EQ(pffinfoFreeBytes(path), file.amapFreeBytes());
}

TEST_F(NdbFixture, SharedBlockCountsEveryReferrerAndGoesWithTheLast) {
    // As Outlook's empty contents tables all share the template's block.
    const Bid shared = db->writeData(pattern(300));
    const std::vector<Nid> nids{Nid{0x12E}, Nid{0x802E}, Nid{0x804E}};
    for (Nid nid : nids) {
        db->setNode({nid, shared, Bid{}, Nid{}});
    }
    db->deleteNode(nids[0]);
    auto file = closeAndInspect();
    EXPECT_EQ(file.blocks().at(shared.value).cRef, 3) << "the BBT and two nodes";

    test::TempDir other;
    auto all = NodeDatabase::create(other.file("all.pst"));
    const Bid once = all->writeData(pattern(300));
    all->setNode({nids[0], once, Bid{}, Nid{}});
    all->setNode({nids[0], all->writeData(pattern(1)), Bid{}, Nid{}});
    all->close();
    const auto freed = test::inspect(other.file("all.pst"));
    EXPECT_FALSE(freed.blocks().contains(once.value));
}

TEST_F(NdbFixture, FreedSpaceIsReusedBeforeTheFileGrows) {
    std::vector<Nid> nids;
    for (int i = 0; i < 30; ++i) {
        nids.push_back(newNode(pattern(60'000, static_cast<std::uint32_t>(i))));
    }
    for (int round = 1; round <= 5; ++round) {
        for (Nid nid : nids) {
            db->setNode(
                {nid, db->writeData(pattern(60'000, nid.value + static_cast<std::uint32_t>(round))),
                 Bid{}, Nid{0x122}});
        }
    }
    auto file = closeAndInspect();
    // 30 x 60 KB needs 8 sections; six rounds without reuse would need about 43.
    EXPECT_LE(file.bytes().size(), 0x4400 + 9 * kSection);
    EXPECT_EQ(file.data(file.nodes().at(nids[7].value).bidData),
              pattern(60'000, nids[7].value + 5));
}

TEST_F(NdbFixture, BlockPaddingIsZerosWhereEarlierBlocksWereGathered) {
    // Large blocks fill the write buffer more than once; the short blocks after them are built
    // over bytes of those, and what lies between a block's data and its trailer is zeros still.
    for (int i = 0; i < 200; ++i) {
        newNode(pattern(60'000, static_cast<std::uint32_t>(i)));
    }
    for (int i = 0; i < 500; ++i) {
        newNode(
            pattern(1 + static_cast<std::size_t>(i % 63), 1000 + static_cast<std::uint32_t>(i)));
    }
    auto file = closeAndInspect();
    const auto& bytes = file.bytes();
    int padded = 0;
    for (const auto& [bid, entry] : file.blocks()) {
        const std::uint64_t trailer =
            entry.ib + layout::blockSpan(entry.cb) - layout::kBlockTrailerSize;
        ASSERT_LE(trailer, bytes.size());
        for (std::uint64_t at = entry.ib + entry.cb; at < trailer; ++at) {
            ASSERT_EQ(bytes[at], 0) << "block " << bid << " at " << entry.ib << ", byte " << at;
        }
        padded += trailer > entry.ib + entry.cb ? 1 : 0;
    }
    EXPECT_GT(padded, 400);
}

TEST_F(NdbFixture, CommittedStateSurvivesAWriterThatDiesLater) {
    const Nid nid = newNode(pattern(30'000, 1));
    db->commit();
    // After the commit the old value's space must stay untouched, however much is written:
    // enough here that the writer's gathered writes reach the file before the "crash".
    db->setNode({nid, db->writeData(pattern(30'000, 2)), Bid{}, Nid{0x122}});
    for (int i = 0; i < 400; ++i) {
        newNode(pattern(30'000, static_cast<std::uint32_t>(100 + i)));
    }
    // The file grew since, through headers that describe it: as a crash leaves it, it is the
    // committed file, its size what the header says.
    const auto snapshot = dir.file("crashed.pst");
    std::filesystem::copy_file(path, snapshot);
    EXPECT_GT(std::filesystem::file_size(snapshot), 0x4400 + kSection);
    EXPECT_EQ(test::pffinfo(snapshot).status, 0);
    std::uint64_t committedEof = 0;
    for (int i = 7; i >= 0; --i) {
        committedEof =
            committedEof << 8 | fileBytes(snapshot, 0xC0)[0xB8 + static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(std::filesystem::file_size(snapshot), committedEof);
    auto crashed = test::inspect(snapshot);
    ASSERT_EQ(crashed.nodes().size(), 1u);
    EXPECT_EQ(crashed.data(crashed.nodes().at(nid.value).bidData), pattern(30'000, 1));
    EXPECT_EQ(pffinfoFreeBytes(snapshot), crashed.amapFreeBytes());

    auto file = closeAndInspect();
    EXPECT_EQ(file.nodes().size(), 401u);
    EXPECT_EQ(file.data(file.nodes().at(nid.value).bidData), pattern(30'000, 2));
}

TEST_F(NdbFixture, CommitMidStreamLeavesWritesUnderWayOutOfTheFile) {
    const Nid kept = newNode(pattern(3'000));
    auto stream = db->beginData();
    stream->append(pattern(kOneXBlockBytes + 1));  // leaves and a full XBLOCK, none linked
    const SubnodeEntry loose{Nid::make(NidType::Ltp, 0x401), db->writeData(pattern(20'000)), Bid{}};
    db->writeSubnodes(std::span(&loose, 1));
    db->commit();
    const auto snapshot = dir.file("mid-stream.pst");
    std::filesystem::copy_file(path, snapshot);
    auto file = test::inspect(snapshot);
    EXPECT_EQ(file.blocks().size(), 1u);
    EXPECT_EQ(file.data(file.nodes().at(kept.value).bidData), pattern(3'000));

    // The stream goes on after the commit and its value lands whole.
    const Nid streamed = db->allocateNid(NidType::Ltp);
    db->setNode({streamed, stream->finish(), Bid{}, Nid{}});
    auto closed = closeAndInspect();
    EXPECT_EQ(closed.data(closed.nodes().at(streamed.value).bidData), pattern(kOneXBlockBytes + 1));
}

TEST_F(NdbFixture, WriterDestroyedMidWayLeavesAValidFileWithoutItsLooseBlocks) {
    const Nid kept = newNode(pattern(5'000));
    auto stream = db->beginData();
    stream->append(pattern(50'000));
    db->writeData(pattern(9'000));  // never linked to a node
    const SubnodeEntry loose{Nid::make(NidType::Ltp, 0x401), db->writeData(pattern(10)), Bid{}};
    db->writeSubnodes(std::span(&loose, 1));
    db.reset();  // as an exception unwinding past the writer would
    EXPECT_THROW(stream->append(pattern(1)), PstError);
    auto file = test::inspect(path);
    EXPECT_EQ(file.blocks().size(), 1u);
    EXPECT_EQ(file.data(file.nodes().at(kept.value).bidData), pattern(5'000));
}

TEST_F(NdbFixture, RefusalsNameWhatIsWrongAndChangeNothing) {
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const PstError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    db->commit();  // the file has its name from its first commit on
    EXPECT_NE(message([&] { NodeDatabase::create(path); }).find(path.string()), std::string::npos);
    EXPECT_NE(message([&] {
                  db->setNode({Nid{0x200024}, Bid{0x1234}, Bid{}, Nid{}});
              }).find("0x1234"),
              std::string::npos);
    const Bid external = db->writeData(pattern(10));
    EXPECT_NE(message([&] {
                  db->setNode({Nid{0x200024}, external, external, Nid{}});
              }).find("bidSub"),
              std::string::npos);
    EXPECT_FALSE(db->findNode(Nid{0x200024}).has_value());
    EXPECT_NE(message([&] { db->deleteNode(Nid{0x61}); }).find("0x61"), std::string::npos);
    const std::vector<std::vector<std::uint8_t>> tooBig{std::vector<std::uint8_t>(8177)};
    EXPECT_NE(message([&] { db->writeBlocks(tooBig); }).find("8177"), std::string::npos);
    const SubnodeEntry twice{Nid{0x8025}, external, Bid{}};
    const std::vector<SubnodeEntry> duplicates{twice, twice};
    EXPECT_NE(message([&] { db->writeSubnodes(duplicates); }).find("0x8025"), std::string::npos);
    db->setNode({Nid{0x200024}, external, Bid{}, Nid{}});
    auto file = closeAndInspect();
    EXPECT_EQ(file.blocks().at(external.value).cRef, 2);
    EXPECT_NE(message([&] { db->writeData(pattern(1)); }).find("after close"), std::string::npos);
}

TEST_F(NdbFixture, NidCountersStartWhereOutlooksDoAndFollowNodesSet) {
    EXPECT_EQ(db->allocateNid(NidType::NormalMessage).value, 0x200024u);  // index 0x10001
    EXPECT_EQ(db->allocateNid(NidType::NormalFolder).value,
              Nid::make(NidType::NormalFolder, 0x401).value);
    EXPECT_EQ(db->allocateNid(NidType::SearchFolder).index(), 0x4001u);
    EXPECT_EQ(db->allocateNid(NidType::AssocMessage).index(), 0x8001u);
    EXPECT_THROW(db->allocateNid(NidType::Hid), PstError);
    // A folder's tables share its index: setting them raises their own counters.
    const Bid data = db->writeData(pattern(10));
    db->setNode({Nid::make(NidType::HierarchyTable, 0x401), data, Bid{}, Nid{}});
    db->setNode({Nid::make(NidType::ContentsTable, 0x450), data, Bid{}, Nid{}});
    auto file = closeAndInspect();
    EXPECT_EQ(file.header().rgnid[0x04], 0x10001u);
    EXPECT_EQ(file.header().rgnid[0x02], 0x401u);
    EXPECT_EQ(file.header().rgnid[0x0D], 0x401u);
    EXPECT_EQ(file.header().rgnid[0x0E], 0x450u);
    EXPECT_EQ(file.header().rgnid[0x0F], 0x400u);
}

}  // namespace
}  // namespace tolvane::pst::ndb
