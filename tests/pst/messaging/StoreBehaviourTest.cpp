// What the writer refuses, what it computes, and the file it leaves when not closed.

#include <algorithm>
#include <fstream>

#include "StoreFiles.h"
#include "mapi/Tags.h"
#include "pst/PstWriter.h"
#include "pstcheck/PstReader.h"

namespace tolvane::pst::testing {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace fs = std::filesystem;

using StoreBehaviour = StoreFiles;

TEST_F(StoreBehaviour, CreateRefusesAnExistingFile) {
    const fs::path pst = file("exists.pst");
    std::ofstream(pst) << "not a store";
    try {
        PstWriter::create(pst, "X");
        FAIL() << "an existing file was overwritten";
    } catch (const PstError& e) {
        EXPECT_NE(std::string(e.what()).find(pst.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(fs::file_size(pst), 11u);
}

TEST_F(StoreBehaviour, FoldersAndMessagesGoOnlyIntoMailFolders) {
    auto writer = PstWriter::create(file("refuse.pst"), "Refuse");
    const mapi::Message m = mailMessage("x", "y", true);
    EXPECT_THROW(writer->addMessage(FolderId{0x2223}, m), PstError);  // the spam search folder
    EXPECT_THROW(writer->addMessage(FolderId{0x12345}, m), PstError);
    EXPECT_THROW(writer->addFolder(FolderId{0x2223}, "x"), PstError);
    const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
    EXPECT_EQ(writer->entryId(inbox.nid).size(), 24u);
    EXPECT_TRUE(std::equal(writer->providerUid().begin(), writer->providerUid().end(),
                           writer->entryId(inbox.nid).begin() + 4));
    writer->close();
    EXPECT_THROW(writer->addFolder(writer->ipmSubtree(), "late"), PstError);
    writer->close();  // idempotent
}

TEST_F(StoreBehaviour, WriterLeftWithoutCloseStillLeavesAReadableStore) {
    const fs::path pst = file("unclosed.pst");
    {
        auto writer = PstWriter::create(pst, "Unclosed");
        const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
        writer->addMessage(inbox, mailMessage("Kept", "body", true));
    }
    expectReadersSee(pst,
                     "{\"folders\":[{\"path\":[\"Top of Personal Folders\",\"Inbox\"],"
                     "\"messages\":[{\"subject\":\"Kept\",\"body\":\"body\"}]}]}");
    expectCheckerPasses(pst);
}

// Every property type of the model, named properties included, read back byte for byte by
// libpff; the names by our own reader of the name-to-id map.
TEST_F(StoreBehaviour, EveryPropertyTypeReadsBackExactly) {
    const fs::path pst = file("types.pst");
    auto writer = PstWriter::create(pst, "Types");
    const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
    mapi::Message m = mailMessage("Types", "body", true);
    mapi::Guid guid = mapi::Guid::parse("{00112233-4455-6677-8899-AABBCCDDEEFF}");
    m.props.set(0x6601, PropValue::int16(-3));
    m.props.set(0x6602, PropValue::int64(-2));
    m.props.set(0x6603, PropValue::floating64(0.5));
    m.props.set(0x6604, PropValue::floating(2.0f));
    m.props.set(0x6605, PropValue::boolean(true));
    m.props.set(0x6606, PropValue::currency(12345));
    m.props.set(0x6607, PropValue::guid(guid));
    m.props.set(0x6608, PropValue::mvInt32({7, 8}));
    m.props.set(0x6609, PropValue::mvUnicode({"x", "\xC3\xBF"}));
    m.props.set(0x660A, PropValue::mvBinary({{0xAB}, {0xCD, 0xEF}}));
    m.props.set(0x660B, PropValue::binary(mapi::Bytes(10000, 0x5A)));
    m.props.set(0x660C, PropValue::string8("8bit"));
    m.props.set(0x660D, PropValue::unicode("\xF0\x9F\x93\xA7"));  // U+1F4E7, a surrogate pair
    m.props.setNamed(mapi::NamedProperty::byName(guid, "Custom"), PropValue::int32(99));
    writer->addMessage(inbox, m);
    writer->close();

    std::string values;
    ASSERT_EQ(run(std::string(TOLVANE_READERS_PYTHON) + " " +
                      (fs::path(TOLVANE_TEST_ROOT) / "pst" / "messaging").string() +
                      "/pypff_values.py '" + pst.string() + "' 'Top of Personal Folders/Inbox'",
                  values),
              0)
        << values;
    const std::pair<const char*, const char*> expected[] = {
        {"66010002", "fdff"},
        {"66020014", "feffffffffffffff"},
        {"66030005", "000000000000e03f"},
        {"66040004", "00000040"},
        {"6605000B", "01"},
        {"66060006", "3930000000000000"},
        {"66070048", "33221100554477668899aabbccddeeff"},
        {"66081003", "0700000008000000"},
        {"6609101F", "020000000c0000000e0000007800ff00"},
        {"660A1102", "020000000c0000000d000000abcdef"},
        {"660C001E", "38626974"},
        {"660D001F", "3dd8e7dc"},
        {"80230003", "63000000"},
    };
    for (const auto& [tag, hex] : expected) {
        const std::string want = std::string("\"") + tag + "\": \"" + hex + "\"";
        EXPECT_NE(values.find(want), std::string::npos)
            << want << " not in " << values.substr(0, 3000);
    }
    std::string large;
    for (int i = 0; i < 10000; ++i) {
        large += "5a";
    }
    EXPECT_NE(values.find("\"660B0102\": \"" + large + "\""), std::string::npos);

    // The id the message uses names ("Custom" in its GUID) in the store's map.
    pstcheck::PstReader reader(pst);
    const auto named = reader.namedProperties();
    const auto custom =
        std::find_if(named.begin(), named.end(), [](const auto& p) { return p.name == "Custom"; });
    ASSERT_NE(custom, named.end());
    EXPECT_TRUE(std::equal(guid.bytes.begin(), guid.bytes.end(), custom->guid.begin()));
    EXPECT_EQ(custom->id, 0x8023);
    EXPECT_TRUE(reader.problems().empty()) << reader.problemText();
    expectCheckerPasses(pst);
}

}  // namespace
}  // namespace tolvane::pst::testing
