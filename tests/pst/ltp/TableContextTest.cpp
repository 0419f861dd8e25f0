// Table context ([MS-PST] 2.3.4): TCINFO, the row index and the row matrix, small tables in
// the heap, large ones in a subnode, and the layout rules of 2.3.4.4.1.

#include <gtest/gtest.h>

#include <deque>

#include "LtpReader.h"
#include "pst/PstError.h"
#include "pst/ltp/TableContextWriter.h"

namespace tolvane::pst::testing {
namespace {

using ltp::TColumn;
using mapi::PropValue;

// Tags as the reader sees them: 32-bit numbers, written out here rather than taken from the
// writer's table.
constexpr mapi::PropTag t(std::uint32_t tag) {
    return mapi::PropTag::fromValue(tag);
}

const std::vector<TColumn> kColumns = {
    {t(0x67F20003), 0, 4, 0},  {t(0x67F30003), 4, 4, 1},  {t(0x0037001F), 8, 4, 2},
    {t(0x0E060040), 12, 8, 3}, {t(0x0E080003), 20, 4, 4}, {t(0x360A000B), 24, 1, 5},
};

struct Row {
    std::deque<PropValue> values;
    std::vector<ltp::Cell> cells;
    void add(std::uint32_t tag, PropValue v) {
        values.push_back(std::move(v));
        cells.push_back({t(tag), &values.back()});
    }
};

ReadTable writeAndRead(MemoryBlockWriter& db, const ltp::TableRows& rows) {
    const ltp::NodeContent content = ltp::writeTable(db, rows);
    return LtpRead(db, content.data, content.subnodes).tc();
}

TEST(TableContext, SmallTableKeepsRowsInTheHeap) {
    MemoryBlockWriter db;
    ltp::TableRows rows(ltp::TableLayout::fromColumns(kColumns));
    for (std::uint32_t id : {0x200064u, 0x200024u, 0x200044u}) {
        Row r;
        r.add(0x0037001F, PropValue::unicode(id == 0x200044u ? "" : "S"));
        r.add(0x0E060040, PropValue::time(mapi::FileTime{id}));
        if (id != 0x200024u) {
            r.add(0x360A000B, PropValue::boolean(true));
        }
        r.add(0x0E080102, PropValue::binary({1}));  // type differs from the column: left out
        r.add(0x12340003, PropValue::int32(5));     // no such column: left out
        rows.add(id, 9, r.cells);
    }
    const ReadTable t = writeAndRead(db, rows);
    EXPECT_FALSE(t.matrixInSubnode);
    EXPECT_EQ(t.rgib[0], 24);
    EXPECT_EQ(t.rgib[1], 24);
    EXPECT_EQ(t.rgib[2], 25);
    EXPECT_EQ(t.rgib[3], 26);
    ASSERT_EQ(t.rows.size(), 3u);
    // The row index is sorted by id; rows stay in the order they were added.
    EXPECT_EQ(t.rowIndex, (std::map<std::uint32_t, std::uint32_t>{
                              {0x200024, 1}, {0x200044, 2}, {0x200064, 0}}));
    const auto& first = t.rows[0];
    EXPECT_EQ(first.at(0x67F20003), u32le(0x200064));
    EXPECT_EQ(first.at(0x67F30003), u32le(9));
    EXPECT_EQ(first.at(0x0037001F), (ByteVec{'S', 0}));
    EXPECT_EQ(first.at(0x0E060040), (ByteVec{0x64, 0, 0x20, 0, 0, 0, 0, 0}));
    EXPECT_EQ(first.at(0x360A000B), ByteVec{1});
    EXPECT_EQ(first.count(0x0E080003), 0u);
    EXPECT_EQ(t.rows[1].count(0x360A000B), 0u);
    EXPECT_TRUE(t.rows[2].at(0x0037001F).empty());
}

TEST(TableContext, ARowIsTheSameWhateverTheOrderOfItsCells) {
    // In tag order, reversed and shuffled, with cells of no column and of another type among
    // them: the same cells make the same row.
    const std::vector<std::pair<std::uint32_t, PropValue>> cells = {
        {0x00030003, PropValue::int32(1)},      {0x0037001F, PropValue::unicode("S")},
        {0x0E060040, PropValue::time({7})},     {0x0E080003, PropValue::int32(3)},
        {0x0E080102, PropValue::binary({1})},   {0x12340003, PropValue::int32(5)},
        {0x360A000B, PropValue::boolean(true)}, {0x7FFF0003, PropValue::int32(9)},
    };
    std::vector<std::vector<std::size_t>> orders = {{0, 1, 2, 3, 4, 5, 6, 7},
                                                    {7, 6, 5, 4, 3, 2, 1, 0},
                                                    {2, 7, 0, 5, 3, 6, 1, 4},
                                                    {4, 3, 1, 0, 6, 2, 7, 5}};
    std::vector<std::map<std::uint32_t, ByteVec>> read;
    for (const auto& order : orders) {
        MemoryBlockWriter db;
        ltp::TableRows rows(ltp::TableLayout::fromColumns(kColumns));
        Row r;
        for (std::size_t i : order) {
            r.add(cells[i].first, cells[i].second);
        }
        rows.add(0x200024, 1, r.cells);
        const ReadTable t = writeAndRead(db, rows);
        ASSERT_EQ(t.rows.size(), 1u);
        read.push_back(t.rows[0]);
    }
    EXPECT_EQ(read[0].at(0x0E080003), u32le(3));
    EXPECT_EQ(read[0].at(0x360A000B), ByteVec{1});
    EXPECT_EQ(read[0].size(), 6u);  // the four columns the cells fill, and the row id and version
    for (std::size_t k = 1; k < read.size(); ++k) {
        EXPECT_EQ(read[k], read[0]) << "order " << k;
    }
}

TEST(TableContext, LargeTableMovesMatrixAndBigCellsToSubnodes) {
    MemoryBlockWriter db;
    ltp::TableRows rows(ltp::TableLayout::fromColumns(kColumns));
    const std::string big(2000, 'x');  // 4000 bytes of UTF-16: more than a heap item
    for (std::uint32_t i = 0; i < 3000; ++i) {
        Row r;
        r.add(0x0037001F, PropValue::unicode(i == 1234 ? big : "subject " + std::to_string(i)));
        r.add(0x0E080003, PropValue::int32(static_cast<std::int32_t>(i)));
        rows.add(0x200004u + 32 * i, i, r.cells);
    }
    const ReadTable t = writeAndRead(db, rows);
    EXPECT_TRUE(t.matrixInSubnode);
    ASSERT_EQ(t.rows.size(), 3000u);
    ASSERT_EQ(t.rowIndex.size(), 3000u);
    for (std::uint32_t i = 0; i < 3000; i += 299) {
        const auto& row = t.rows.at(t.rowIndex.at(0x200004u + 32 * i));
        EXPECT_EQ(row.at(0x0E080003), u32le(i));
    }
    EXPECT_EQ(t.rows[1234].at(0x0037001F).size(), 4000u);
    EXPECT_EQ(t.rows[2999].at(0x0037001F).size(), 2 * std::string("subject 2999").size());
}

TEST(TableContext, ExtraColumnsKeepCebBitsAndWidthGroups) {
    const ltp::TableLayout base = ltp::TableLayout::fromColumns(kColumns);
    const mapi::PropTag extra[] = {t(0x0C150003), t(0x3A40000B), t(0x00170002), t(0x0037001F)};
    const ltp::TableLayout grown = base.withTags(extra);
    ASSERT_EQ(grown.columns().size(), 9u);
    EXPECT_EQ(grown.find(t(0x67F20003))->ibData, 0);
    EXPECT_EQ(grown.find(t(0x67F30003))->ibData, 4);
    EXPECT_EQ(grown.find(t(0x0E060040))->iBit, 3);
    EXPECT_EQ(grown.find(t(0x360A000B))->iBit, 5);
    // 8/4-byte cells, then 2-byte, then 1-byte, then the CEB.
    EXPECT_EQ(grown.rgib()[0], 28);
    EXPECT_EQ(grown.find(t(0x00170002))->ibData, 28);
    EXPECT_EQ(grown.rgib()[1], 30);
    EXPECT_EQ(grown.rgib()[2], 32);
    EXPECT_EQ(grown.rowSize(), 34u);
    EXPECT_THROW(ltp::TableLayout::fromColumns({{t(0x67F20003), 0, 4, 0}}), PstError);
}

TEST(TableContext, DuplicateRowIdsAreRefused) {
    MemoryBlockWriter db;
    ltp::TableRows rows(ltp::TableLayout::fromColumns(kColumns));
    rows.add(7, 1, {});
    rows.add(7, 2, {});
    EXPECT_THROW(ltp::writeTable(db, rows), PstError);
}

}  // namespace
}  // namespace tolvane::pst::testing
