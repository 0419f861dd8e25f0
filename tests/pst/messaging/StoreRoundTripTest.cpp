// Files the writer makes, read back by tools written by others (readpst, pffexport, pypff,
// pst-extractor), by our checker, and compared node by node with Outlook's own empty store.

#include <cstdlib>
#include <fstream>

#include "StoreFiles.h"
#include "StoreStructure.h"
#include "mapi/Tags.h"
#include "pst/PstWriter.h"

namespace tolvane::pst::testing {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace fs = std::filesystem;

std::string folderJson(const std::vector<std::string>& path, const std::string& messages) {
    std::string p;
    for (const auto& part : path) {
        p += (p.empty() ? "" : ",") + jsonString(part);
    }
    return "{\"path\":[" + p + "],\"messages\":[" + messages + "]}";
}

std::string messageJson(const std::string& subject, const std::string& body, bool read,
                        const std::string& attachments = "[]") {
    return "{\"subject\":" + jsonString(subject) + ",\"body\":" + jsonString(body) +
           ",\"read\":" + (read ? "true" : "false") +
           ",\"sender_name\":\"Ann Sender\",\"to\":[{\"name\":\"Bob Receiver\","
           "\"email\":\"bob@example.org\"}],\"date\":\"2023-11-14T22:13:20Z\",\"attachments\":" +
           attachments + "}";
}

mapi::Attachment fileAttachment(const std::string& name, mapi::PropValue data) {
    mapi::Attachment a;
    a.props.set(tag::kAttachMethod, PropValue::int32(tag::kAttachByValue));
    a.props.set(tag::kAttachLongFilename, PropValue::unicode(name));
    a.props.set(tag::kAttachFilename, PropValue::unicode(name));
    a.props.set(tag::kDisplayName, PropValue::unicode(name));
    a.props.set(tag::kAttachDataBinary, std::move(data));
    return a;
}

mapi::Bytes pattern(std::size_t size, unsigned seed) {
    mapi::Bytes out(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return out;
}

using StoreRoundTrip = StoreFiles;

TEST_F(StoreRoundTrip, EmptyStoreHasOutlooksNodesAndProperties) {
    const fs::path pst = file("empty.pst");
    PstWriter::create(pst, "Empty")->close();
    const fs::path outlook = fs::path(TOLVANE_PST_SAMPLES) / "outlook-empty.pst";
    ASSERT_TRUE(fs::exists(outlook)) << "test input missing: " << outlook;
    EXPECT_EQ(structureDifferences(pst, outlook), std::vector<std::string>{});
    // The folders Outlook's empty store has, every one of them empty.
    expectReadersSee(pst, "{\"folders\":[" + folderJson({"Top of Personal Folders"}, "") + "," +
                              folderJson({"Top of Personal Folders", "Deleted Items"}, "") + "," +
                              folderJson({"Search Root"}, "") + "," +
                              folderJson({"SPAM Search Folder 2"}, "") + "," +
                              folderJson({"IPM_COMMON_VIEWS"}, "") + "]}");
    expectCheckerPasses(pst);
}

TEST_F(StoreRoundTrip, NestedFoldersAndNonAsciiTextReadBack) {
    const fs::path pst = file("nested.pst");
    auto writer = PstWriter::create(pst, "Stor\xC3\xA9");
    const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
    const FolderId summer = writer->addFolder(inbox, "\xC3\x89t\xC3\xA9 2024");
    const FolderId deep = writer->addFolder(summer, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
    const FolderId archive = writer->addFolder(writer->ipmSubtree(), "Archive");
    writer->addFolder(writer->deletedItems(), "Old");
    const std::string greek = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1";
    // libpff 20180714 turns characters outside the BMP into others: those are checked byte for
    // byte through pypff's raw values instead (StoreBehaviour.EveryPropertyTypeReadsBackExactly).
    const std::string emoji = "\xE2\x9C\x89 mail";
    writer->addMessage(inbox, mailMessage("Plain", "Hello\r\nworld", true));
    writer->addMessage(summer, mailMessage(greek, greek + " \xE2\x82\xAC 100", false));
    writer->addMessage(deep, mailMessage(emoji, std::string(30000, 'z') + emoji, true));
    writer->addMessage(deep, mailMessage("Second", "-", false));
    writer->addMessage(archive, mailMessage("Archived", "old", true));
    writer->close();

    expectReadersSee(
        pst, "{\"folders\":[" +
                 folderJson({"Top of Personal Folders", "Inbox"},
                            messageJson("Plain", "Hello\nworld", true)) +
                 "," +
                 folderJson({"Top of Personal Folders", "Inbox", "\xC3\x89t\xC3\xA9 2024"},
                            messageJson(greek, greek + " \xE2\x82\xAC 100", false)) +
                 "," +
                 folderJson({"Top of Personal Folders", "Inbox", "\xC3\x89t\xC3\xA9 2024",
                             "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
                            messageJson(emoji, std::string(30000, 'z') + emoji, true) + "," +
                                messageJson("Second", "-", false)) +
                 "," +
                 folderJson({"Top of Personal Folders", "Archive"},
                            messageJson("Archived", "old", true)) +
                 "]}");
    expectCheckerPasses(pst);
}

TEST_F(StoreRoundTrip, TenThousandMessagesInOneFolder) {
    const fs::path pst = file("many.pst");
    auto writer = PstWriter::create(pst, "Many");
    const FolderId folder = writer->addFolder(writer->ipmSubtree(), "Bulk");
    std::string messages;
    for (int i = 0; i < 10000; ++i) {
        const std::string subject = "Message " + std::to_string(i);
        writer->addMessage(folder, mailMessage(subject, "Body of " + subject, i % 3 == 0));
        messages += (i ? "," : "") + std::string("{\"subject\":") + jsonString(subject) +
                    ",\"read\":" + (i % 3 == 0 ? "true" : "false") + "}";
    }
    writer->close();
    expectReadersSee(
        pst, "{\"folders\":[" + folderJson({"Top of Personal Folders", "Bulk"}, messages) + "]}");
    expectCheckerPasses(pst);
}

// A 20 MiB value read from a file as a stream, as the import hands large attachments over.
TEST_F(StoreRoundTrip, TwentyMebibyteAttachmentFromAStream) {
    const fs::path pst = file("large.pst");
    const mapi::Bytes data = pattern(20 * 1024 * 1024 + 17, 3);
    const fs::path spool = file("spool.bin");
    std::ofstream(spool, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<long>(data.size()));
    auto writer = PstWriter::create(pst, "Large");
    const FolderId folder = writer->addFolder(writer->ipmSubtree(), "Inbox");
    mapi::Message m = mailMessage("Big one", "see attachment", true);
    m.attachments.push_back(fileAttachment(
        "big.bin", PropValue::binaryStream(std::make_shared<mapi::FileByteSource>(spool, false))));
    flagAttachments(m);
    writer->addMessage(folder, m);
    writer->close();
    EXPECT_GT(fs::file_size(pst), data.size());
    expectReadersSee(
        pst, "{\"folders\":[" +
                 folderJson(
                     {"Top of Personal Folders", "Inbox"},
                     messageJson("Big one", "see attachment", true,
                                 "[{\"name\":\"big.bin\",\"size\":" + std::to_string(data.size()) +
                                     ",\"sha256\":\"" + sha256(data) + "\"}]")) +
                 "]}");
    expectCheckerPasses(pst);
}

TEST_F(StoreRoundTrip, ThreeHundredAttachmentsOnOneMessage) {
    const fs::path pst = file("attachments.pst");
    auto writer = PstWriter::create(pst, "Attachments");
    const FolderId folder = writer->addFolder(writer->ipmSubtree(), "Inbox");
    mapi::Message m = mailMessage("Many files", "300 of them", false);
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "file-" + std::to_string(i) + ".bin";
        const mapi::Bytes data =
            pattern(static_cast<std::size_t>(1 + i * 37 % 9000), static_cast<unsigned>(i));
        expected += (i ? "," : "") + std::string("{\"name\":") + jsonString(name) +
                    ",\"size\":" + std::to_string(data.size()) + ",\"sha256\":\"" + sha256(data) +
                    "\"}";
        m.attachments.push_back(fileAttachment(name, PropValue::binary(data)));
    }
    flagAttachments(m);
    writer->addMessage(folder, m);
    writer->close();
    expectReadersSee(
        pst, "{\"folders\":[" +
                 folderJson({"Top of Personal Folders", "Inbox"},
                            messageJson("Many files", "300 of them", false, "[" + expected + "]")) +
                 "]}");
    expectCheckerPasses(pst);
}

TEST_F(StoreRoundTrip, EmbeddedMessageInsideAnEmbeddedMessage) {
    const fs::path pst = file("embedded.pst");
    auto writer = PstWriter::create(pst, "Embedded");
    const FolderId folder = writer->addFolder(writer->ipmSubtree(), "Inbox");
    const mapi::Bytes note = pattern(5000, 9);

    auto inner = std::make_unique<mapi::Message>(mailMessage("Level 2", "innermost", true));
    inner->attachments.push_back(fileAttachment("note.txt", PropValue::binary(note)));
    auto middle = std::make_unique<mapi::Message>(mailMessage("Level 1", "middle", true));
    mapi::Attachment innerAttachment;
    innerAttachment.props.set(tag::kAttachMethod, PropValue::int32(tag::kAttachEmbeddedMessage));
    innerAttachment.props.set(tag::kDisplayName, PropValue::unicode("Level 2"));
    innerAttachment.embedded = std::move(inner);
    middle->attachments.push_back(std::move(innerAttachment));
    mapi::Message outer = mailMessage("Outer", "outermost", false);
    mapi::Attachment middleAttachment;
    middleAttachment.props.set(tag::kAttachMethod, PropValue::int32(tag::kAttachEmbeddedMessage));
    middleAttachment.props.set(tag::kDisplayName, PropValue::unicode("Level 1"));
    middleAttachment.embedded = std::move(middle);
    outer.attachments.push_back(std::move(middleAttachment));
    flagAttachments(outer);
    writer->addMessage(folder, outer);
    writer->close();

    const std::string level2 =
        "{\"subject\":\"Level 2\",\"body\":\"innermost\",\"attachments\":[{\"name\":\"note.txt\","
        "\"size\":5000,\"sha256\":\"" +
        sha256(note) + "\"}]}";
    const std::string level1 =
        "{\"subject\":\"Level 1\",\"body\":\"middle\",\"attachments\":"
        "[{\"name\":\"Level 2\",\"embedded\":true,\"message\":" +
        level2 + "}]}";
    expectReadersSee(pst, "{\"folders\":[" +
                              folderJson({"Top of Personal Folders", "Inbox"},
                                         messageJson("Outer", "outermost", false,
                                                     "[{\"name\":\"Level 1\",\"embedded\":true,"
                                                     "\"message\":" +
                                                         level1 + "}]")) +
                              "]}");
    expectCheckerPasses(pst);
}

}  // namespace
}  // namespace tolvane::pst::testing
