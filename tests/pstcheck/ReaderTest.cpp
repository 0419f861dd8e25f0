// The reading API the tests use reads Outlook's own files as their READMEs describe them, layer
// by layer, and says what it cannot read instead of guessing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "PstImage.h"
#include "TestHelpers.h"
#include "pstcheck/PstReader.h"
#include "pstcheck/messaging/Ids.h"

namespace tolvane::pstcheck::test {
namespace {

std::filesystem::path sample(const std::string& name) {
    const auto path = std::filesystem::path(TOLVANE_PST_SAMPLES) / (name + ".pst");
    EXPECT_TRUE(std::filesystem::exists(path)) << "test input missing: " << path;
    return path;
}

std::vector<std::uint32_t> keys(const std::map<std::uint32_t, std::uint32_t>& m) {
    std::vector<std::uint32_t> out;
    for (const auto& [k, v] : m) {
        out.push_back(k);
    }
    return out;
}

// The one folder of a sample that holds mail, found through the folder tree.
std::uint32_t onlyMessage(PstReader& file) {
    std::vector<std::uint32_t> all;
    for (const auto& [nid, folder] : file.folders()) {
        all.insert(all.end(), folder.messages.begin(), folder.messages.end());
    }
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? 0 : all.front();
}

SubnodeEntry subnode(PstReader& file, std::uint32_t owner, std::uint32_t nid) {
    for (const SubnodeEntry& e : file.subnodes(file.node(owner).bidSub)) {
        if (e.nid == nid) {
            return e;
        }
    }
    ADD_FAILURE() << "no subnode " << hex(nid) << " under " << hex(owner);
    return {};
}

TEST(PstReader, ReadsOutlooksEmptyStoreFromNodesToFolders) {
    PstReader file(sample("outlook-empty"));
    EXPECT_EQ(file.nodes().size(), 47u);  // as the checker's summary counts them
    EXPECT_EQ(file.nbtLevels(), 2u);
    EXPECT_EQ(file.header().rgnid[nidtype::kNormalFolder], 0x404u);
    EXPECT_GT(file.amapFreeBytes(), 0u);
    EXPECT_EQ(file.amapFreeBytes(), file.header().root.cbAMapFree);

    const auto store = file.nodeData(nid::kMessageStore);
    ASSERT_GE(store.size(), 4u);
    EXPECT_EQ(store[2], 0xEC) << "permute-decoded heap signature";
    EXPECT_EQ(store[3], 0xBC);
    EXPECT_EQ(file.properties(nid::kMessageStore).string(tag::kDisplayName), "Empty");

    const auto folders = file.folders();
    std::map<std::uint32_t, std::string> names;
    for (const auto& [nid, f] : folders) {
        names[nid] = f.name.value_or("?");
        EXPECT_TRUE(f.messages.empty()) << hex(nid);
    }
    EXPECT_EQ(names, (std::map<std::uint32_t, std::string>{{0x122, ""},
                                                           {0x2223, "SPAM Search Folder 2"},
                                                           {0x8022, "Top of Outlook data file"},
                                                           {0x8042, "Search Root"},
                                                           {0x8062, "Deleted Items"},
                                                           {0x8082, "IPM_COMMON_VIEWS"}}));
    EXPECT_EQ(folders.at(0x122).subfolders,
              (std::vector<std::uint32_t>{0x2223, 0x8022, 0x8042, 0x8082}));
    EXPECT_EQ(folders.at(0x8022).subfolders, std::vector<std::uint32_t>{0x8062});
    EXPECT_EQ(folders.at(0x8022).hasSubfolders, true);

    // The root's hierarchy table lists the same four, with Outlook's row layout.
    const TableContext hierarchy = file.table(makeNid(nidtype::kHierarchyTable, 0x9));
    EXPECT_EQ(keys(hierarchy.rowIndex()),
              (std::vector<std::uint32_t>{0x2223, 0x8022, 0x8042, 0x8082}));
    EXPECT_EQ(hierarchy.groupEnds(), (std::array<std::uint16_t, 4>{52, 52, 53, 55}));
    EXPECT_FALSE(hierarchy.matrixInSubnode());
    const std::size_t row = hierarchy.rowIndex().at(0x8042);
    EXPECT_EQ(hierarchy.string(row, tag::kDisplayName), "Search Root");

    const auto named = file.namedProperties();
    ASSERT_EQ(named.size(), 35u);
    EXPECT_EQ(named.front().id, 0x8000);
    EXPECT_EQ(named.front().number, 0x8205u);
    EXPECT_EQ(named.front().guid, (std::array<std::uint8_t, 16>{0x02, 0x20, 0x06, 0, 0, 0, 0, 0,
                                                                0xC0, 0, 0, 0, 0, 0, 0, 0x46}))
        << "PSETID_Appointment";
    const auto keywords = std::find_if(named.begin(), named.end(),
                                       [](const NamedProperty& p) { return p.name == "Keywords"; });
    ASSERT_NE(keywords, named.end());
    EXPECT_EQ(keywords->id, 0x8013);
    EXPECT_EQ(keywords->guid[0], 0x29) << "PS_PUBLIC_STRINGS";
    EXPECT_TRUE(file.problems().empty()) << file.problemText();
}

TEST(PstReader, ReadsARecipientTableOf200Rows) {
    PstReader file(sample("rubymsg-200-recipients"));
    const std::uint32_t message = onlyMessage(file);
    const PropertyContext pc = file.properties(message);
    EXPECT_NE(pc.string(tag::kSubject).value_or("").find("200 recipients"), std::string::npos);
    const TableContext recipients = file.table(subnode(file, message, nid::kRecipientTable));
    EXPECT_EQ(recipients.rows(), 200u);
    EXPECT_EQ(recipients.rowIndex().size(), 200u);
    std::set<std::string> addresses;
    for (std::size_t r = 0; r < recipients.rows(); ++r) {
        addresses.insert(recipients.string(r, 0x3003001F).value_or(""));  // PidTagEmailAddress
    }
    EXPECT_EQ(addresses.size(), 200u) << "every row its own recipient";
    EXPECT_TRUE(file.problems().empty()) << file.problemText();
}

TEST(PstReader, ReadsAnAttachmentsDataThroughItsSubnodes) {
    PstReader file(sample("pstsdk-sample1"));
    const std::uint32_t message = onlyMessage(file);
    const TableContext table = file.table(subnode(file, message, nid::kAttachmentTable));
    ASSERT_EQ(table.rows(), 1u);
    const PropertyContext attachment = file.properties(subnode(file, message, table.rowId(0)));
    EXPECT_EQ(attachment.string(0x3707001F), "leah_thumper.jpg");  // PidTagAttachLongFilename
    const auto jpeg = attachment.bytes(0x37010102).value_or(std::vector<std::uint8_t>{});
    ASSERT_GT(jpeg.size(), 8176u) << "more than one block";
    EXPECT_EQ(std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 3),
              (std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF}));
    EXPECT_EQ(std::vector<std::uint8_t>(jpeg.end() - 2, jpeg.end()),
              (std::vector<std::uint8_t>{0xFF, 0xD9}));
    EXPECT_TRUE(file.problems().empty()) << file.problemText();
}

TEST(PstReader, SaysWhatItCannotRead) {
    EXPECT_THROW(PstReader(std::filesystem::path(TOLVANE_PST_SAMPLES) / "no-such.pst"), ReadError);
    EXPECT_THROW(PstReader{sample("pstsdk-test_ansi")}, ReadError);
    PstReader file(sample("outlook-empty"));
    EXPECT_THROW(file.node(0x12345), ReadError);
    EXPECT_THROW(file.table(nid::kMessageStore), ReadError) << "a PC is no table";
    EXPECT_FALSE(file.problems().empty()) << "the refusal says why";

    // A damaged block is read and reported; a heap that is none is refused with its problem.
    PstImage image(sample("outlook-empty").string());
    const std::uint64_t bid = image.node(nid::kMessageStore).bidData;
    auto data = image.blockData(bid);
    data.at(2) = 0x00;  // bSig
    image.setBlockData(bid, data);
    image.bytes().at(image.trailerOffset(bid) + 4) ^= 0x01;  // and its CRC
    PstReader damaged{Bytes(image.bytes())};
    EXPECT_EQ(damaged.nodeData(nid::kMessageStore), data);
    EXPECT_TRUE(damaged.problems().has("BLOCKTRAILER", "dwCRC", "bid " + hex(bid) + " "))
        << damaged.problemText();
    try {
        damaged.properties(nid::kMessageStore);
        ADD_FAILURE() << "a heap without its signature was read";
    } catch (const ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("HNHDR.bSig"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace tolvane::pstcheck::test
