// Conversation index on every message (MS-OXOMSG 2.2.1.3): Thread-Index when it has one,
// else made from the thread's Message-IDs, so that a thread imported in any order, with
// parents missing or a References header broken, still shares one 22-byte header and a
// reply's index extends its parent's.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/ConversationIndex.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

std::string mail(const std::string& id, const std::string& threading) {
    return "From: a@x.org\r\nSubject: Re: the topic\r\nDate: Mon, 2 Mar 2020 10:00:00 +0000\r\n"
           "Message-ID: <" +
           id + ">\r\n" + threading + "\r\nbody\r\n";
}

std::string indexOf(const std::string& eml) {
    const auto m = importText(eml);
    EXPECT_TRUE(m.props.get(tag::kConversationIndexTracking) &&
                m.props.get(tag::kConversationIndexTracking)->asBool());
    return bin(m.props, tag::kConversationIndex);
}

// A thread: root r, its reply a, a's reply b, b's reply c; and s, a second reply to r.
std::map<std::string, std::string> thread() {
    return {{"r", mail("r@x", "")},
            {"a", mail("a@x", "In-Reply-To: <r@x>\r\nReferences: <r@x>\r\n")},
            {"b", mail("b@x", "In-Reply-To: <a@x>\r\nReferences: <r@x> <a@x>\r\n")},
            {"c", mail("c@x", "In-Reply-To: <b@x>\r\nReferences: <r@x>\r\n <a@x> <b@x>\r\n")},
            {"s", mail("s@x", "In-Reply-To: <r@x>\r\nReferences: <r@x>\r\n")}};
}

TEST(ConversationIndex, RepliesShareTheHeaderAndExtendTheirParents) {
    std::map<std::string, std::string> index;
    // Out of order, as an export lists files: the index depends on nothing else imported.
    for (const char* name : {"c", "s", "a", "r", "b"})
        index[name] = indexOf(thread()[name]);
    ASSERT_EQ(index["r"].size(), 22u);
    EXPECT_EQ(index["r"][0], '\x01');
    EXPECT_EQ(index["a"].size(), 27u);
    EXPECT_EQ(index["b"].size(), 32u);
    EXPECT_EQ(index["c"].size(), 37u);
    EXPECT_EQ(index["s"].size(), 27u);
    EXPECT_TRUE(index["a"].starts_with(index["r"]));
    EXPECT_TRUE(index["b"].starts_with(index["a"]));
    EXPECT_TRUE(index["c"].starts_with(index["b"]));
    EXPECT_TRUE(index["s"].starts_with(index["r"]));
    EXPECT_NE(index["s"], index["a"]);  // siblings differ in their own block
    // Same input, same index: nothing of the machine or the clock goes in.
    EXPECT_EQ(indexOf(thread()["c"]), index["c"]);
    // Another thread has another header.
    EXPECT_NE(indexOf(mail("other@x", "")).substr(0, 22), index["r"].substr(0, 22));
}

TEST(ConversationIndex, MissingParentsAndBrokenReferencesKeepTheThread) {
    const std::string root = indexOf(thread()["r"]);
    const std::string b = indexOf(thread()["b"]);
    // c's References lost b (a client that trims them): In-Reply-To still gives its parent.
    const std::string trimmed =
        indexOf(mail("c@x", "In-Reply-To: <b@x>\r\nReferences: <r@x> <a@x>\r\n"));
    EXPECT_TRUE(trimmed.starts_with(b));
    EXPECT_EQ(trimmed, indexOf(thread()["c"]));
    // References without brackets or with junk between the ids: the ids are still found.
    EXPECT_EQ(indexOf(mail("b@x", "References: r@x,\r\n a@x\r\n")), b);
    EXPECT_EQ(indexOf(mail("b@x", "References: <r@x> (comment) junk <a@x>\r\n")), b);
    // Nothing readable in References: In-Reply-To starts the thread.
    const std::string fromReply = indexOf(mail("a@x", "In-Reply-To: <r@x>\r\nReferences: ?\r\n"));
    EXPECT_TRUE(fromReply.starts_with(root));
    // A message that lists itself among its references is not its own ancestor.
    EXPECT_EQ(indexOf(mail("a@x", "References: <r@x> <a@x>\r\n")), indexOf(thread()["a"]));
    // No ids at all: a thread of its own, told apart by date, sender and subject.
    const std::string lone1 = indexOf("From: a@x.org\r\nSubject: one\r\n\r\nx\r\n");
    const std::string lone2 = indexOf("From: a@x.org\r\nSubject: two\r\n\r\nx\r\n");
    EXPECT_EQ(lone1.size(), 22u);
    EXPECT_NE(lone1, lone2);
}

TEST(ConversationIndex, ThreadIndexWinsWhenItHoldsAHeaderBlock) {
    // 22 bytes: 0x01, five of time, a GUID; then one child block.
    const std::string good = indexOf(
        mail("a@x", "References: <r@x>\r\nThread-Index: AdXxAQIDBAUGBwgJCgsMDQ4PEBESExQVFhcY\r\n"));
    EXPECT_EQ(good.size(), 27u);
    EXPECT_EQ(good.substr(0, 3), "\x01\xD5\xF1");
    // Too short to be one, or not base64: made from the ids instead.
    EXPECT_EQ(indexOf(mail("a@x", "References: <r@x>\r\nThread-Index: AdXxAQID\r\n")),
              indexOf(thread()["a"]));
    EXPECT_EQ(indexOf(mail("a@x", "References: <r@x>\r\nThread-Index: ***\r\n")),
              indexOf(thread()["a"]));
}

TEST(ConversationIndex, MessageIdsOfAHeaderValue) {
    EXPECT_EQ(messageIds("<a@x> <b@y>\r\n\t<c@z>"),
              (std::vector<std::string>{"a@x", "b@y", "c@z"}));
    EXPECT_EQ(messageIds("a@x, b@y"), (std::vector<std::string>{"a@x", "b@y"}));
    EXPECT_EQ(messageIds("<a@x> junk <b y> <>"), (std::vector<std::string>{"a@x"}));
    EXPECT_TRUE(messageIds("no ids here").empty());
}

}  // namespace
}  // namespace tolvane::mime::test
