// Heap, BTH, property- and table-context faults, and the messaging rules built on them.
#include <gtest/gtest.h>

#include "TestHelpers.h"
#include "pstcheck/ltp/Heap.h"
#include "pstcheck/messaging/Ids.h"

namespace tolvane::pstcheck::test {
namespace {

constexpr std::uint32_t kTopOfPersonalFolders = 0x8022;
constexpr std::uint32_t kDeletedItems = 0x8062;

using Heap = std::vector<std::uint8_t>;

// Offset of the leaf records of the BTH at the heap's user root (one-level trees only).
std::pair<std::size_t, std::size_t> pcRecords(const Heap& heap) {
    const auto [bth, size] = PstImage::heapItem(heap, PstImage::get32(heap, 4));
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(heap.at(bth + 3), 0) << "index levels are not handled here";
    return PstImage::heapItem(heap, PstImage::get32(heap, bth + 4));
}

// Offset of the 4-byte value of a PC property.
std::size_t pcValue(const Heap& heap, std::uint32_t tag) {
    const auto [first, size] = pcRecords(heap);
    for (std::size_t at = first; at < first + size; at += 8) {
        if (PstImage::get16(heap, at) == (tag >> 16) &&
            PstImage::get16(heap, at + 2) == (tag & 0xFFFF)) {
            return at + 4;
        }
    }
    ADD_FAILURE() << "no property " << hex(tag);
    return 0;
}

class LtpFaults : public SampleCopy {
  protected:
    std::uint64_t dataBid(std::uint32_t nid) { return image_->node(nid).bidData; }
    Heap heap(std::uint32_t nid) { return image_->blockData(dataBid(nid)); }
    void store(std::uint32_t nid, const Heap& h) { image_->setBlockData(dataBid(nid), h); }

    // A message node whose PC fits one block, so it can be edited in place.
    std::uint32_t singleBlockMessage() {
        for (const auto& [nid, n] : image_->trees().nbt) {
            if (nidType(nid) == nidtype::kNormalMessage && (n.bidData & fmt::kBidInternal) == 0) {
                return nid;
            }
        }
        ADD_FAILURE() << "no single-block message";
        return 0;
    }
};

TEST_F(LtpFaults, HeapPageMapAndBthOrder) {
    ASSERT_TRUE(load("outlook-empty"));
    const std::string where = "nid " + hex(kDeletedItems);
    Heap h = heap(kDeletedItems);
    const Heap original = h;
    const auto [records, size] = pcRecords(h);
    ASSERT_GE(size, 16u);
    std::swap_ranges(h.begin() + static_cast<std::ptrdiff_t>(records),
                     h.begin() + static_cast<std::ptrdiff_t>(records + 8),
                     h.begin() + static_cast<std::ptrdiff_t>(records + 8));
    store(kDeletedItems, h);
    CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("BTH", "key order", where)) << problems(r);

    h = original;
    h.at(PstImage::get16(h, 0) + 1) = 0x0F;  // cAlloc far beyond the block
    store(kDeletedItems, h);
    r = image_->check();
    EXPECT_TRUE(r.report.has("HNPAGEMAP", "cAlloc", where)) << problems(r);
}

TEST_F(LtpFaults, TableColumnsRowsAndCellExistence) {
    ASSERT_TRUE(load("outlook-empty"));
    const std::uint32_t table = makeNid(nidtype::kHierarchyTable, nidIndex(kTopOfPersonalFolders));
    const std::string where = "nid " + hex(table);
    const Heap original = heap(table);
    const auto [info, infoSize] = PstImage::heapItem(original, PstImage::get32(original, 4));
    ASSERT_GE(infoSize, 22u + 16u);
    const auto [rows, rowsSize] =
        PstImage::heapItem(original, PstImage::get32(original, info + 14));
    const std::size_t ceb = PstImage::get16(original, info + 6);
    ASSERT_EQ(rowsSize, PstImage::get16(original, info + 8)) << "one row (Deleted Items)";

    Heap h = original;
    std::swap_ranges(h.begin() + static_cast<std::ptrdiff_t>(info + 22),
                     h.begin() + static_cast<std::ptrdiff_t>(info + 30),
                     h.begin() + static_cast<std::ptrdiff_t>(info + 30));
    store(table, h);
    CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("TCOLDESC", "tag order", where)) << problems(r);

    h = original;
    h.at(rows + ceb) &= 0x7F;  // RowId's CEB bit
    store(table, h);
    r = image_->check();
    EXPECT_TRUE(r.report.has("TC", "CEB", where)) << problems(r);

    h = original;
    h.at(rows) ^= 0x20;  // dwRowID no longer the RowIndex key
    store(table, h);
    r = image_->check();
    EXPECT_TRUE(r.report.has("TC", "dwRowID", where)) << problems(r);
}

TEST_F(LtpFaults, ReadFlagDrivesUnreadCountAndContentsRow) {
    ASSERT_TRUE(load("tika-testPST"));
    const std::uint32_t message = singleBlockMessage();
    const std::uint32_t folder = image_->node(message).nidParent;
    Heap h = heap(message);
    const std::size_t flags = pcValue(h, tag::kMessageFlags);
    ASSERT_EQ(h.at(flags) & 0x01, 0x01) << "sample messages are read";
    h.at(flags) &= 0xFE;
    store(message, h);
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("FOLDER", "PidTagContentUnreadCount", "folder " + hex(folder)))
        << problems(r);
    EXPECT_TRUE(r.report.has("CONTENTS_TABLE", "PidTagMessageFlags", "row for " + hex(message)))
        << problems(r);
}

TEST_F(LtpFaults, HasAttachmentFlagFollowsTheAttachmentTable) {
    ASSERT_TRUE(load("pstsdk-sample1"));
    const std::uint32_t message = singleBlockMessage();
    Heap h = heap(message);
    const std::size_t flags = pcValue(h, tag::kMessageFlags);
    ASSERT_EQ(h.at(flags) & 0x10, 0x10) << "the sample message has an attachment";
    h.at(flags) &= static_cast<std::uint8_t>(~0x10);
    store(message, h);
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("MESSAGE", "PidTagMessageFlags", "message nid " + hex(message)))
        << problems(r);
}

TEST_F(LtpFaults, AttachmentRowCopiesTheAttachmentsProperties) {
    ASSERT_TRUE(load("pstsdk-sample1"));
    // The attachment PC: a type-5 entry of the message's SLBLOCK.
    const std::uint64_t sub = image_->node(singleBlockMessage()).bidSub;
    const auto sl = image_->rawBlock(sub);
    ASSERT_EQ(sl.at(0), fmt::kSlBlockType);
    std::uint64_t attachment = 0;
    std::uint32_t nid = 0;
    for (std::size_t i = 0; i < PstImage::get16(sl, 2); ++i) {
        const std::size_t e = fmt::kSlBlockHeader + i * fmt::kSlEntrySize;
        if (nidType(PstImage::get32(sl, e)) == nidtype::kAttachment) {
            nid = PstImage::get32(sl, e);
            attachment = le64(sl, e + 8);
        }
    }
    ASSERT_NE(attachment, 0u);
    Heap h = image_->blockData(attachment);
    h.at(pcValue(h, 0x0E200003)) ^= 0x01;  // PidTagAttachSize
    image_->setBlockData(attachment, h);
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("ATTACHMENT_TABLE", "copy of 0xE200003", "attachment " + hex(nid)))
        << problems(r);
}

TEST_F(LtpFaults, NamedPropertyBucketsFollowTheBucketCount) {
    ASSERT_TRUE(load("outlook-empty"));
    Heap h = heap(nid::kNameToIdMap);
    const std::size_t count = pcValue(h, 0x00010003);
    ASSERT_EQ(PstImage::get32(h, count), 251u);
    h.at(count) = 250;
    store(nid::kNameToIdMap, h);
    const CheckResult r = image_->check();
    EXPECT_TRUE(r.report.has("NAMEID_MAP", "buckets", "nid " + hex(nid::kNameToIdMap)))
        << problems(r);
}

// A heap's blocks are data blocks of one tree: all full but the last, which its page map ends.
TEST_F(LtpFaults, HeapBlocksAreFullButTheLastWhichItsPageMapEnds) {
    ASSERT_TRUE(load("outlook-empty"));
    const Heap first = heap(nid::kMessageStore);
    // A second block holding no items: HNPAGEHDR (ibHnpm 2), then cAlloc 0, cFree 0, one offset.
    const Heap second = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00};
    auto open = [](std::vector<Heap> blocks) {
        Report r;
        pstcheck::Heap::open(std::move(blocks), "heap", r);
        return r;
    };
    Report r = open({first});
    EXPECT_TRUE(r.empty()) << "Outlook's own heap";
    Heap padded = first;
    padded.resize(fmt::kMaxBlockData);
    EXPECT_TRUE(open({padded, second}).empty()) << "a full block before the last";

    r = open({first, second});
    EXPECT_TRUE(r.has("HNPAGEMAP", "block size", "heap block 0"))
        << "a short block before the last";
    Heap trailing = first;
    trailing.push_back(0);
    r = open({trailing});
    EXPECT_TRUE(r.has("HNPAGEMAP", "ibHnpm", "heap block 0")) << "bytes after the page map";
    r = open({padded, padded});
    EXPECT_TRUE(r.has("HNPAGEMAP", "ibHnpm", "heap block 1"));
}

}  // namespace
}  // namespace tolvane::pstcheck::test
