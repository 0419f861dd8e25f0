#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "mapi/Message.h"
#include "mapi/PropValue.h"
#include "mapi/Tags.h"

using namespace tolvane::mapi;

TEST(GuidText, ParsesIntoOnDiskByteOrderAndBack) {
    // PS_PUBLIC_STRINGS: Data1 is little-endian on disk.
    const Guid g = Guid::parse("{00020329-0000-0000-C000-000000000046}");
    const std::array<std::uint8_t, 16> expected = {0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    EXPECT_EQ(g.bytes, expected);
    EXPECT_EQ(g.toString(), "{00020329-0000-0000-C000-000000000046}");
    EXPECT_EQ(Guid::parse("00062008-0000-0000-c000-000000000046"), propset::common());
}

TEST(GuidText, RejectsMalformedText) {
    EXPECT_THROW(Guid::parse("{0002032-0000-0000-C000-000000000046}"), std::invalid_argument);
    EXPECT_THROW(Guid::parse("{00020329-0000-0000-C000-00000000004G}"), std::invalid_argument);
    EXPECT_THROW(Guid::parse(""), std::invalid_argument);
}

TEST(FileTimeConversion, UnixEpochAndRoundTrip) {
    EXPECT_EQ(FileTime::fromUnixSeconds(0).ticks, 116444736000000000LL);
    EXPECT_EQ(FileTime::fromUnixSeconds(1700000000).toUnixSeconds(), 1700000000);
    EXPECT_EQ(FileTime::fromUnixSeconds(-86400).toUnixSeconds(), -86400);
}

TEST(PropertyListBehaviour, OneValuePerIdAndNamedByName) {
    PropertyList props;
    props.set(tag::kSubject, PropValue::unicode("first"));
    props.set(tag::kSubject, PropValue::unicode("second"));
    props.set(tag::kMessageFlags, PropValue::int32(17));
    ASSERT_NE(props.get(tag::kSubject), nullptr);
    EXPECT_EQ(props.get(tag::kSubject)->asString(), "second");
    EXPECT_EQ(props.tagged().size(), 2u);
    EXPECT_EQ((*props.tagged().begin()).first, tag::kSubject.id);  // read in id order

    props.setNamed(named::kKeywords, PropValue::mvUnicode({"a"}));
    props.setNamed(named::kSmartNoAttach, PropValue::boolean(true));
    props.setNamed(named::kKeywords, PropValue::mvUnicode({"a", "b"}));
    ASSERT_EQ(props.named().size(), 2u);
    EXPECT_EQ(props.named()[0].first, named::kKeywords.property());  // order of first setting
    EXPECT_EQ(props.getNamed(named::kKeywords)->asStrings().size(), 2u);
    EXPECT_EQ(props.getNamed(NamedProperty::byId(propset::common(), 0x8515)), nullptr);
    // A string name and a numeric id in the same set are different names.
    EXPECT_EQ(props.getNamed(NamedProperty::byName(propset::common(), "Keywords")), nullptr);
}

// Set out of id order and erased from the middle, the list still reads in id order, each id
// with its own value.
TEST(PropertyListBehaviour, ReadsInIdOrderWhateverTheOrderOfSetting) {
    PropertyList props;
    const std::vector<std::uint16_t> ids = {0x0E07, 0x0037, 0x1000, 0x0001, 0x3001, 0x0E08};
    for (const std::uint16_t id : ids) {
        props.set(PropTag{id, PropType::Int32}, PropValue::int32(id));
    }
    props.erase(PropTag{0x0037, PropType::Int32});  // set second: the last value moves in
    props.set(PropTag{0x0E07, PropType::Int32}, PropValue::int32(7));
    std::vector<std::pair<std::uint16_t, std::int32_t>> seen;
    for (const auto& [id, value] : props.tagged()) {
        seen.emplace_back(id, value.asInt32());
    }
    const std::vector<std::pair<std::uint16_t, std::int32_t>> expected = {
        {0x0001, 0x0001}, {0x0E07, 7}, {0x0E08, 0x0E08}, {0x1000, 0x1000}, {0x3001, 0x3001}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(props.get(PropTag{0x0037, PropType::Int32}), nullptr);
    EXPECT_EQ(props.get(PropTag{0x0E08, PropType::Int32})->asInt32(), 0x0E08);
}

// A tag carries its type: a value of another type is refused, and a read through a tag of
// the same id but another type finds nothing (0x3701 is binary data or an embedded object).
TEST(PropertyListBehaviour, ValuesMatchTheirTagsType) {
    PropertyList props;
    EXPECT_THROW(props.set(tag::kSubject, PropValue::int32(1)), std::invalid_argument);
    EXPECT_THROW(props.setNamed(named::kSmartNoAttach, PropValue::int32(1)), std::invalid_argument);
    EXPECT_TRUE(props.empty());
    props.set(tag::kAttachDataBinary, PropValue::binary({1, 2}));
    EXPECT_NE(props.get(tag::kAttachDataBinary), nullptr);
    EXPECT_EQ(props.get(tag::kAttachDataObject), nullptr);
    props.erase(tag::kAttachDataObject);
    EXPECT_TRUE(props.has(tag::kAttachDataBinary));
    props.erase(tag::kAttachDataBinary);
    EXPECT_TRUE(props.empty());
    props.setNamed(named::kSmartNoAttach, PropValue::boolean(true));
    const NamedTag sameNameOtherType{propset::common(), 0x8514, {}, PropType::Int32};
    EXPECT_EQ(props.getNamed(sameNameOtherType), nullptr);
    EXPECT_NE(props.getNamed(named::kSmartNoAttach), nullptr);
}

TEST(PropertyTags, ThirtyTwoBitFormSplitsIntoIdAndType) {
    EXPECT_EQ(tag::kMessageFlags.value(), 0x0E070003u);
    EXPECT_EQ(PropTag::fromValue(0x0037001F), tag::kSubject);
    EXPECT_EQ(PropTag::fromValue(0x3701000D), tag::kAttachDataObject);
    static_assert(propset::common() == Guid::parse("{00062008-0000-0000-C000-000000000046}"));
}

TEST(BinaryValues, StreamAndMemoryAgree) {
    const Bytes data = {1, 2, 3, 4, 5};
    const auto inMemory = PropValue::binary(data);
    const auto streamed = PropValue::binaryStream(std::make_shared<MemoryByteSource>(data));
    EXPECT_FALSE(inMemory.isStream());
    EXPECT_TRUE(streamed.isStream());
    EXPECT_EQ(inMemory.binarySize(), 5u);
    EXPECT_EQ(streamed.binarySize(), 5u);
    EXPECT_EQ(streamed.binaryBytes(), data);
    EXPECT_EQ(inMemory.type(), PropType::Binary);
    EXPECT_EQ(streamed.type(), PropType::Binary);
}

TEST(BinaryValues, SpoolFileIsReadInPiecesAndRemovedWithItsLastHolder) {
    const auto path = std::filesystem::temp_directory_path() / "tolvane-mapi-spool-test.bin";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 100000; ++i)
            out.put(static_cast<char>(i % 251));
    }
    {
        auto source = std::make_shared<FileByteSource>(path, true);
        EXPECT_EQ(source->size(), 100000u);
        auto reader = source->open();
        std::array<std::uint8_t, 4096> chunk{};
        std::uint64_t total = 0;
        bool inOrder = true;
        while (const std::size_t n = reader->read(chunk)) {
            for (std::size_t i = 0; i < n; ++i) {
                inOrder = inOrder && chunk[i] == (total + i) % 251;
            }
            total += n;
        }
        EXPECT_EQ(total, 100000u);
        EXPECT_TRUE(inOrder);
        const auto copy = PropValue::binaryStream(source);
        source.reset();
        EXPECT_TRUE(std::filesystem::exists(path));  // the value still holds it
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(MessageModel, EmbeddedMessagesNest) {
    Message outer;
    outer.props.set(tag::kSubject, PropValue::unicode("outer"));
    Attachment att;
    att.props.set(tag::kAttachMethod, PropValue::int32(5));
    att.embedded = std::make_unique<Message>();
    att.embedded->props.set(tag::kSubject, PropValue::unicode("inner"));
    outer.attachments.push_back(std::move(att));
    Message moved = std::move(outer);
    ASSERT_EQ(moved.attachments.size(), 1u);
    EXPECT_EQ(moved.attachments[0].embedded->props.get(tag::kSubject)->asString(), "inner");
}
