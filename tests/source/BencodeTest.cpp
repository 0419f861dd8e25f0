// Zimbra's metadata dialect: string lengths in UTF-16 units, and what the importers read.

#include <gtest/gtest.h>

#include "source/ZimbraMetadata.h"

namespace tolvane::source {
namespace {

TEST(ZimbraBencode, LengthsCountUtf16UnitsNotBytes) {
    // "é" is 2 bytes and 1 unit; "😀" is 4 bytes and 2 units; "€" 3 bytes and 1 unit.
    const BValue value = parseBencode("d1:a2:é€1:b3:😀x1:ci-42ee");
    ASSERT_NE(value.find("a"), nullptr);
    EXPECT_EQ(*value.find("a")->string(), "é€");
    EXPECT_EQ(*value.find("b")->string(), "😀x");
    EXPECT_EQ(value.find("c")->integer(), -42);
    EXPECT_EQ(value.find("d"), nullptr);
}

TEST(ZimbraBencode, DamagedTextIsRefusedWithItsPlace) {
    for (const char* bad : {"d1:a", "d1:a5:abce", "l1:😀e", "i12", "x", "d1:ai1eextra", "di1e"}) {
        EXPECT_THROW(parseBencode(bad), BencodeError) << bad;
    }
    try {
        parseBencode("d1:a3:ab");
        FAIL();
    } catch (const BencodeError& e) {
        EXPECT_NE(std::string(e.what()).find("character"), std::string::npos) << e.what();
    }
    std::string deep(150, 'l');
    deep += std::string(150, 'e');
    EXPECT_THROW(parseBencode(deep), BencodeError);
}

TEST(ZimbraMetadataFields, FolderViewColourAndContactFields) {
    Meta folder;
    folder.metadata = "d1:ci3e1:vi10e2:vti11ee";
    const BValue f = metadataOf(folder);
    EXPECT_EQ(folderViewOf(f), 11);
    EXPECT_EQ(colourOf(f), 3);

    Meta contact;
    contact.metadata =
        "d3:fldd7:company13:Ünïcode 😀 AG5:email16:john@example.com"
        "9:firstName4:Johne1:vi10ee";
    const auto fields = contactFieldsOf(metadataOf(contact));
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0], (std::pair<std::string, std::string>{"company", "Ünïcode 😀 AG"}));
    EXPECT_EQ(fields[1].second, "john@example.com");
    EXPECT_EQ(fields[2].first, "firstName");

    EXPECT_TRUE(contactFieldsOf(metadataOf(Meta{})).empty());
    EXPECT_FALSE(folderViewOf(metadataOf(Meta{})).has_value());
}

}  // namespace
}  // namespace tolvane::source
