// Name-to-id map ([MS-PST] 2.4.7): Outlook's names keep their ids, new names follow, and every
// entry sits in the hash bucket a reader looks in.

#include <gtest/gtest.h>

#include <zlib.h>

#include "LtpReader.h"
#include "pst/messaging/NameToIdMap.h"

namespace tolvane::pst::testing {
namespace {

using mapi::NamedProperty;

std::map<std::uint16_t, PcValue> writeMap(const messaging::NameToIdMap& map,
                                          MemoryBlockWriter& db) {
    const ltp::NodeContent content = map.write(db);
    return LtpRead(db, content.data, content.subnodes).pc();
}

TEST(NameToIdMap, OutlooksNamesKeepTheirIdsAndBuckets) {
    messaging::NameToIdMap map;
    EXPECT_EQ(map.size(), 35u);
    EXPECT_EQ(map.idFor(NamedProperty::byName(mapi::propset::publicStrings(), "Keywords")), 0x8013);
    EXPECT_EQ(map.idFor(NamedProperty::byId(mapi::propset::common(), 0x8552)), 0x8022);
    MemoryBlockWriter db;
    const auto props = writeMap(map, db);
    EXPECT_EQ(props.at(0x0001).bytes, u32le(251));
    EXPECT_EQ(props.at(0x0002).bytes.size(), 6u * 16);
    EXPECT_EQ(props.at(0x0003).bytes.size(), 35u * 8);
    // Buckets as Outlook's own empty store holds them: "Keywords" under its CRC, and the
    // numeric PSETID_Common 0x8552 in bucket 0.
    EXPECT_EQ(props.at(0x1065).bytes, (ByteVec{0x3B, 0x4D, 0xDA, 0x2E, 0x05, 0x00, 0x13, 0x00}));
    EXPECT_EQ(props.at(0x1000).bytes, (ByteVec{0x52, 0x85, 0, 0, 0x0A, 0x00, 0x22, 0x00}));
}

TEST(NameToIdMap, NewNamesAreRegisteredOnceAndHashed) {
    messaging::NameToIdMap map;
    const mapi::Guid custom = mapi::Guid::parse("{12345678-1234-5678-9ABC-DEF012345678}");
    const std::uint16_t byName = map.idFor(NamedProperty::byName(custom, "X-Tolvane-\xC3\xA9"));
    const std::uint16_t byId = map.idFor(NamedProperty::byId(custom, 0x1234));
    const std::uint16_t mapiId = map.idFor(NamedProperty::byId(mapi::propset::mapi(), 0x3001));
    EXPECT_EQ(byName, 0x8023);
    EXPECT_EQ(byId, 0x8024);
    EXPECT_EQ(mapiId, 0x8025);
    EXPECT_EQ(map.idFor(NamedProperty::byName(custom, "X-Tolvane-\xC3\xA9")), byName);

    MemoryBlockWriter db;
    const auto props = writeMap(map, db);
    const ByteVec& guids = props.at(0x0002).bytes;
    ASSERT_EQ(guids.size(), 7u * 16);
    EXPECT_EQ(ByteVec(guids.end() - 16, guids.end()),
              ByteVec(custom.bytes.begin(), custom.bytes.end()));
    const ByteVec& entries = props.at(0x0003).bytes;
    ASSERT_EQ(entries.size(), 38u * 8);
    const ByteVec& strings = props.at(0x0004).bytes;

    // Entry 0x23: string name in GUID stream slot 6 (wGuid 9, N set), index 0x23.
    const std::uint32_t offset = le(entries, 0x23 * 8, 4);
    EXPECT_EQ(le(entries, 0x23 * 8 + 4, 2), (9u << 1) | 1);
    EXPECT_EQ(le(entries, 0x23 * 8 + 6, 2), 0x23u);
    const std::uint32_t length = le(strings, offset, 4);
    const ByteVec name(strings.begin() + offset + 4, strings.begin() + offset + 4 + length);
    EXPECT_EQ(name, (ByteVec{'X', 0,   '-', 0,   'T', 0,   'o', 0,   'l', 0,    'v',
                             0,   'a', 0,   'n', 0,   'e', 0,   '-', 0,   0xE9, 0}));
    EXPECT_EQ(strings.size() % 4, 0u);
    // PS_MAPI needs no GUID stream entry: wGuid 1.
    EXPECT_EQ(le(entries, 0x25 * 8, 4), 0x3001u);
    EXPECT_EQ(le(entries, 0x25 * 8 + 4, 2), 1u << 1);

    // Each new entry in bucket (key ^ word) % 251, string names keyed by the PST CRC.
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0xFFFFFFFFul, name.data(),
                                                               static_cast<uInt>(name.size()))) ^
                              0xFFFFFFFFu;
    const std::uint32_t keys[] = {crc, 0x1234, 0x3001};
    const std::uint32_t words[] = {(9u << 1) | 1, 9u << 1, 1u << 1};
    for (int i = 0; i < 3; ++i) {
        const auto bucket = static_cast<std::uint16_t>(0x1000 + (keys[i] ^ words[i]) % 251);
        const ByteVec& b = props.at(bucket).bytes;
        bool found = false;
        for (std::size_t at = 0; at < b.size(); at += 8) {
            found |= le(b, at, 4) == keys[i] && le(b, at + 4, 2) == words[i] &&
                     le(b, at + 6, 2) == 0x23u + static_cast<std::uint32_t>(i);
        }
        EXPECT_TRUE(found) << "entry " << i << " not in bucket " << bucket;
    }
}

}  // namespace
}  // namespace tolvane::pst::testing
