// What the writer computes as a store does, for every message it writes, attached ones
// included: the has-attachment bit, the read bit of an attached message, the default class,
// the times of a received mail and of its attachments. Read back with our own reader
// (message_tree.py), the four independent readers and tolvane-pstcheck --strict.

#include "StoreFiles.h"
#include "mapi/Tags.h"
#include "pst/PstWriter.h"

namespace tolvane::pst::testing {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace fs = std::filesystem;

using StoreComputed = StoreFiles;

mapi::Attachment textFile(const std::string& name, const std::string& text) {
    mapi::Attachment a;
    a.props.set(tag::kAttachMethod, PropValue::int32(tag::kAttachByValue));
    a.props.set(tag::kAttachLongFilename, PropValue::unicode(name));
    a.props.set(tag::kDisplayName, PropValue::unicode(name));
    a.props.set(tag::kAttachDataBinary, PropValue::binary(mapi::Bytes(text.begin(), text.end())));
    return a;
}

mapi::Attachment attached(std::unique_ptr<mapi::Message> message, const std::string& name) {
    mapi::Attachment a;
    a.props.set(tag::kAttachMethod, PropValue::int32(tag::kAttachEmbeddedMessage));
    a.props.set(tag::kDisplayName, PropValue::unicode(name));
    a.embedded = std::move(message);
    return a;
}

std::string levelName(int level) {
    return "Level " + std::to_string(level);
}

// Level `level` of a forward chain: a file of its own, and the level below it attached.
std::unique_ptr<mapi::Message> forwardLevel(int level, int depth) {
    auto m = std::make_unique<mapi::Message>(mailMessage(levelName(level), "body", false));
    m->attachments.push_back(textFile("file-" + std::to_string(level) + ".txt", "level text"));
    if (level < depth) {
        m->attachments.push_back(attached(forwardLevel(level + 1, depth), levelName(level + 1)));
    }
    return m;
}

std::string expectedLevel(int level, int depth) {
    std::string json = "{\"subject\":" + jsonString(levelName(level)) +
                       ",\"body\":\"body\",\"attachments\":[{\"name\":\"file-" +
                       std::to_string(level) + ".txt\",\"size\":10}";
    if (level < depth) {
        json += ",{\"name\":" + jsonString(levelName(level + 1)) +
                ",\"embedded\":true,\"message\":" + expectedLevel(level + 1, depth) + "}";
    }
    return json + "]}";
}

std::string pathTo(int level) {
    std::string path = levelName(0);
    for (int i = 1; i <= level; ++i) {
        path += "/a1/m";
    }
    return path;
}

// A forwarded mail with a file at every level, attached 2, 5 and 50 deep: every attached
// message that holds attachments has the has-attachment bit (the store's, not the client's),
// and every attached message is read.
TEST_F(StoreComputed, ForwardedMailWithAttachmentsAtAnyDepth) {
    for (const int depth : {2, 5, 50}) {
        SCOPED_TRACE("depth " + std::to_string(depth));
        const fs::path pst = file("forward-" + std::to_string(depth) + ".pst");
        auto writer = PstWriter::create(pst, "Forwards");
        const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
        writer->addMessage(inbox, *forwardLevel(0, depth));
        writer->close();

        expectCheckerPasses(pst);
        expectReadersSee(pst,
                         "{\"folders\":[{\"path\":[\"Top of Personal Folders\",\"Inbox\"],"
                         "\"messages\":[" +
                             expectedLevel(0, depth) + "]}]}");
        const auto values = storedValues(pst);
        ASSERT_FALSE(values.empty());
        EXPECT_EQ(values.at({pathTo(0), "0E070003"}), "16");  // unread, as given; paperclip
        for (int level = 1; level <= depth; ++level) {
            EXPECT_EQ(values.at({pathTo(level), "0037001F"}),
                      "\"\\u0001\\u0001" + levelName(level) + "\"");
            EXPECT_EQ(values.at({pathTo(level), "0E070003"}), "17") << "level " << level;
        }
    }
}

// Has-attachment follows the attachment table whatever the client set: the job sets 17 (read
// and has-attachment) on every item, and a mail without attachments must show no paperclip.
TEST_F(StoreComputed, HasAttachmentFollowsTheAttachmentTable) {
    const fs::path pst = file("flags.pst");
    auto writer = PstWriter::create(pst, "Flags");
    const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
    mapi::Message plain = mailMessage("plain", "no files", true);
    plain.props.set(tag::kMessageFlags, PropValue::int32(17));
    writer->addMessage(inbox, plain);
    mapi::Message withFile = mailMessage("with file", "one file", false);
    withFile.props.set(tag::kMessageFlags, PropValue::int32(0));
    withFile.attachments.push_back(textFile("a.txt", "a"));
    auto inner = std::make_unique<mapi::Message>(mailMessage("inner", "plain inner", false));
    inner->props.set(tag::kMessageFlags, PropValue::int32(tag::kMsgFlagHasAttach));
    withFile.attachments.push_back(attached(std::move(inner), "inner"));
    writer->addMessage(inbox, withFile);
    writer->close();

    expectCheckerPasses(pst);
    expectReadersSee(
        pst,
        "{\"folders\":[{\"path\":[\"Top of Personal Folders\",\"Inbox\"],"
        "\"messages\":[{\"subject\":\"plain\",\"read\":true,\"has_attachments\":"
        "false},{\"subject\":\"with file\",\"read\":false,\"has_attachments\":true}]}]}");
    const auto values = storedValues(pst);
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.at({"plain", "0E070003"}), "1");
    EXPECT_EQ(values.at({"with file", "0E070003"}), "16");
    EXPECT_EQ(values.at({"with file/a1/m", "0E070003"}), "1");  // read, and no paperclip
    EXPECT_FALSE(values.contains({"plain", "0E1B000B"}));  // Outlook keeps PR_HASATTACH unstored
}

// Every recipient row gets the object and display type a store gives a mail user, however
// many rows the message has (their values live beside the rows while the table is built).
TEST_F(StoreComputed, EveryRecipientRowIsAMailUser) {
    const fs::path pst = file("recipients.pst");
    auto writer = PstWriter::create(pst, "Recipients");
    const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
    mapi::Message m = mailMessage("to many", "body", true);
    const std::vector<std::string> names = {"Bob Receiver", "Carl Copy", "Dora Copy", "Eve Blind"};
    for (std::size_t i = 1; i < names.size(); ++i) {
        mapi::Recipient r;
        r.props.set(tag::kRecipientType, PropValue::int32(i < 3 ? 2 : 3));
        r.props.set(tag::kDisplayName, PropValue::unicode(names[i]));
        r.props.set(tag::kEmailAddress,
                    PropValue::unicode("r" + std::to_string(i) + "@example.org"));
        r.props.set(tag::kAddressType, PropValue::unicode("SMTP"));
        m.recipients.push_back(std::move(r));
    }
    writer->addMessage(inbox, m);
    writer->close();

    expectCheckerPasses(pst);
    const auto values = storedValues(pst);
    ASSERT_FALSE(values.empty());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string row = "to many/r" + std::to_string(i);
        EXPECT_EQ(values.at({row, "3001001F"}), jsonString(names[i])) << row;
        EXPECT_EQ(values.at({row, "0FFE0003"}), "6") << row;  // MAPI_MAILUSER
        EXPECT_EQ(values.at({row, "39000003"}), "0") << row;  // DT_MAILUSER
    }
}

// Each message's recipient table has columns for what its own rows carry, whatever the
// message written before it had (the writer keeps the last table's layout for the next).
TEST_F(StoreComputed, EachRecipientTableHasTheColumnsOfItsOwnRows) {
    const fs::path pst = file("recipient-columns.pst");
    auto writer = PstWriter::create(pst, "Recipients");
    const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
    const auto carrying = [](const std::string& subject, mapi::PropTag extra, PropValue value) {
        mapi::Message m = mailMessage(subject, "body", true);
        m.recipients.front().props.set(extra, std::move(value));
        return m;
    };
    writer->addMessage(
        inbox, carrying("first", tag::kTransmittableDisplayName, PropValue::unicode("Bob T")));
    writer->addMessage(inbox, carrying("second", tag::kRecipientFlags, PropValue::int32(1)));
    writer->addMessage(
        inbox, carrying("third", tag::kTransmittableDisplayName, PropValue::unicode("Bob 3")));
    writer->close();

    expectCheckerPasses(pst);
    const auto values = storedValues(pst);
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.at({"first/r0", "3A20001F"}), "\"Bob T\"");
    EXPECT_EQ(values.at({"second/r0", "5FFD0003"}), "1");
    EXPECT_FALSE(values.contains({"second/r0", "3A20001F"}));
    EXPECT_EQ(values.at({"third/r0", "3A20001F"}), "\"Bob 3\"");
    EXPECT_FALSE(values.contains({"third/r0", "5FFD0003"}));
}

// A received mail is created when it was delivered (as Outlook's received mails show), and
// its attachments with it unless the MIME dated them; a message without a class is a note.
TEST_F(StoreComputed, ReceivedMailIsDatedByItsDelivery) {
    const fs::path pst = file("times.pst");
    auto writer = PstWriter::create(pst, "Times");
    const FolderId inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
    const mapi::FileTime delivered = mapi::FileTime::fromUnixSeconds(1700000060);
    const mapi::FileTime fileDate = mapi::FileTime::fromUnixSeconds(855782991);
    mapi::Message m = mailMessage("dated", "body", true);
    m.props.erase(tag::kMessageClass);
    m.attachments.push_back(textFile("undated.txt", "u"));
    mapi::Attachment dated = textFile("dated.txt", "d");
    dated.props.set(tag::kCreationTime, PropValue::time(fileDate));
    m.attachments.push_back(std::move(dated));
    writer->addMessage(inbox, m);
    mapi::Message sentOnly = mailMessage("sent only", "body", true);
    sentOnly.props.erase(tag::kMessageDeliveryTime);
    writer->addMessage(inbox, sentOnly);
    writer->close();

    expectCheckerPasses(pst);
    const auto values = storedValues(pst);
    ASSERT_FALSE(values.empty());
    const std::string deliveredText = std::to_string(delivered.ticks);
    EXPECT_EQ(values.at({"dated", "30070040"}), deliveredText);
    EXPECT_EQ(values.at({"dated", "30080040"}), deliveredText);
    EXPECT_EQ(values.at({"dated/a0", "30070040"}), deliveredText);
    EXPECT_EQ(values.at({"dated/a1", "30070040"}), std::to_string(fileDate.ticks));
    EXPECT_EQ(values.at({"dated/a1", "30080040"}), deliveredText);
    EXPECT_EQ(values.at({"dated", "001A001F"}), "\"IPM.Note\"");
    EXPECT_EQ(values.at({"sent only", "30070040"}),
              std::to_string(mapi::FileTime::fromUnixSeconds(1700000000).ticks));
}

}  // namespace
}  // namespace tolvane::pst::testing
