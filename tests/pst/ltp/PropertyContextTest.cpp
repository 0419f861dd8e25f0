// Property context ([MS-PST] 2.3.3): every value type lands inline, in the heap or in a
// subnode, and reads back byte for byte.

#include <gtest/gtest.h>

#include "LtpReader.h"
#include "pst/PstError.h"
#include "pst/ltp/PropertyContextWriter.h"

namespace tolvane::pst::testing {
namespace {

using mapi::PropValue;

ByteVec filled(std::size_t size) {
    ByteVec out(size);
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    return out;
}

struct Written {
    ltp::NodeContent content;
    std::map<std::uint16_t, PcValue> props;
    std::size_t subnodeCount = 0;
};

Written write(MemoryBlockWriter& db, const std::vector<std::pair<std::uint16_t, PropValue>>& in) {
    ltp::PropertyContextWriter pc(db);
    for (const auto& [id, value] : in) {
        pc.set(id, value);
    }
    Written out;
    out.content = pc.write();
    const LtpRead node(db, out.content.data, out.content.subnodes);
    out.props = node.pc();
    out.subnodeCount = node.subnodeCount();
    return out;
}

TEST(PropertyContext, EveryTypeReadsBackAsStored) {
    MemoryBlockWriter db;
    mapi::Guid guid;
    for (std::size_t i = 0; i < 16; ++i) {
        guid.bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    const auto stream = std::make_shared<mapi::MemoryByteSource>(filled(20000));
    const std::vector<std::pair<std::uint16_t, PropValue>> props = {
        {0x0001, PropValue::int16(-2)},
        {0x0002, PropValue::int32(0x12345678)},
        {0x0003, PropValue::boolean(true)},
        {0x0004, PropValue::floating(1.5f)},
        {0x0005, PropValue::floating64(-2.25)},
        {0x0006, PropValue::int64(0x0102030405060708)},
        {0x0007, PropValue::time(mapi::FileTime{0x01D0000000000001})},
        {0x0008, PropValue::guid(guid)},
        {0x0009, PropValue::unicode("Gr\xC3\xBC\xC3\x9F"
                                    "e \xE2\x82\xAC")},
        {0x000A, PropValue::string8("plain")},
        {0x000B, PropValue::binary(filled(100))},
        {0x000C, PropValue::binary(filled(3580))},
        {0x000D, PropValue::binary(filled(3581))},
        {0x000E, PropValue::binaryStream(stream)},
        {0x000F, PropValue::unicode("")},
        {0x0010, PropValue::mvInt32({1, -1})},
        {0x0011, PropValue::mvUnicode({"a", "", "\xC3\xA9"})},
        {0x0012, PropValue::mvBinary({{1, 2, 3}, {}})},
        {0x0013, PropValue::errorCode(0x8004010F)},
        {0x0014, PropValue::currency(-5)},
    };
    const Written w = write(db, props);
    const auto& p = w.props;
    ASSERT_EQ(p.size(), props.size());
    EXPECT_EQ(p.at(0x0001).type, 0x0002);
    EXPECT_EQ(p.at(0x0001).bytes, (ByteVec{0xFE, 0xFF, 0, 0}));
    EXPECT_EQ(p.at(0x0002).bytes, u32le(0x12345678));
    EXPECT_EQ(p.at(0x0003).bytes, u32le(1));
    EXPECT_EQ(p.at(0x0004).bytes, u32le(0x3FC00000));
    EXPECT_EQ(p.at(0x0005).bytes, (ByteVec{0, 0, 0, 0, 0, 0, 0x02, 0xC0}));
    EXPECT_EQ(p.at(0x0006).bytes, (ByteVec{8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(p.at(0x0007).bytes, (ByteVec{1, 0, 0, 0, 0, 0, 0xD0, 0x01}));
    EXPECT_EQ(p.at(0x0008).bytes, ByteVec(guid.bytes.begin(), guid.bytes.end()));
    EXPECT_EQ(p.at(0x0009).bytes,
              (ByteVec{'G', 0, 'r', 0, 0xFC, 0, 0xDF, 0, 'e', 0, ' ', 0, 0xAC, 0x20}));
    EXPECT_EQ(p.at(0x000A).bytes, (ByteVec{'p', 'l', 'a', 'i', 'n'}));
    EXPECT_EQ(p.at(0x000B).bytes, filled(100));
    EXPECT_EQ(p.at(0x000C).bytes, filled(3580));
    EXPECT_EQ(p.at(0x000D).bytes, filled(3581));
    EXPECT_EQ(p.at(0x000E).bytes, filled(20000));
    EXPECT_TRUE(p.at(0x000F).bytes.empty());
    EXPECT_EQ(p.at(0x0010).bytes, (ByteVec{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    // [MS-PST] 2.3.3.4.2: count, offsets from the start, then the items.
    EXPECT_EQ(p.at(0x0011).bytes,
              (ByteVec{3, 0, 0, 0, 16, 0, 0, 0, 18, 0, 0, 0, 18, 0, 0, 0, 'a', 0, 0xE9, 0}));
    EXPECT_EQ(p.at(0x0012).bytes, (ByteVec{2, 0, 0, 0, 12, 0, 0, 0, 15, 0, 0, 0, 1, 2, 3}));
    EXPECT_EQ(p.at(0x0013).bytes, u32le(0x8004010F));
    EXPECT_EQ(p.at(0x0014).type, 0x0006);
    // Only the two values over 3580 bytes left the heap; the stream went in 3 blocks.
    EXPECT_EQ(w.subnodeCount, 2u);
    std::uint64_t dataBytes = 0;
    for (const auto& b : db.blocks(w.content.data)) {
        dataBytes += b.size();
    }
    EXPECT_EQ(w.content.externalBytes, dataBytes + 3581 + 20000);
}

TEST(PropertyContext, ValuesSetInAnyOrderReadBackByIdWithTheLastOfEachId) {
    MemoryBlockWriter db;
    const Written w = write(db, {{0x3001, PropValue::int32(1)},
                                 {0x0017, PropValue::int32(2)},
                                 {0x3001, PropValue::unicode("later")},
                                 {0x0E07, PropValue::int32(4)},
                                 {0x0017, PropValue::int32(5)},
                                 {0x0001, PropValue::int32(6)}});
    ASSERT_EQ(w.props.size(), 4u);
    EXPECT_EQ(w.props.at(0x0001).bytes, u32le(6));
    EXPECT_EQ(w.props.at(0x0017).bytes, u32le(5));
    EXPECT_EQ(w.props.at(0x0E07).bytes, u32le(4));
    EXPECT_EQ(w.props.at(0x3001).type, 0x001F);
    EXPECT_EQ(w.props.at(0x3001).bytes, (ByteVec{'l', 0, 'a', 0, 't', 0, 'e', 0, 'r', 0}));
}

TEST(PropertyContext, NodeSizeLandsInItsRecordThroughIndexLevels) {
    MemoryBlockWriter db;
    ltp::PropertyContextWriter pc(db);
    // 700 properties need two leaves and an index level; the size is in the second leaf.
    for (std::uint16_t id = 1; id <= 700; ++id) {
        pc.setOwned(id, PropValue::int32(id));
    }
    pc.setObject(0x3701, ndb::Nid{0x200044}, 1234);
    pc.setOwned(0x3702, PropValue::binary(filled(5000)));  // a subnode: counted in the size
    std::uint64_t given = 0;
    pc.setNodeSize(650, [&given](std::uint64_t bytes) {
        given = bytes;
        return static_cast<std::int32_t>(bytes) - 1;
    });
    const ltp::NodeContent content = pc.write();
    const LtpRead node(db, content.data, content.subnodes);
    EXPECT_EQ(node.bth(node.heap().userRoot(), 2, 6).levels, 1);
    const auto props = node.pc();
    ASSERT_EQ(props.size(), 702u);
    EXPECT_EQ(props.at(1).bytes, u32le(1));
    EXPECT_EQ(given, content.externalBytes);
    EXPECT_GT(given, 5000u);
    EXPECT_EQ(props.at(650).type, 0x0003);
    EXPECT_EQ(props.at(650).bytes, u32le(static_cast<std::uint32_t>(given - 1)));
    EXPECT_EQ(props.at(700).bytes, u32le(700));
    EXPECT_EQ(props.at(0x3701).type, 0x000D);
    ByteVec object = u32le(0x200044);
    const ByteVec size = u32le(1234);
    object.insert(object.end(), size.begin(), size.end());
    EXPECT_EQ(props.at(0x3701).bytes, object);
}

}  // namespace
}  // namespace tolvane::pst::testing
