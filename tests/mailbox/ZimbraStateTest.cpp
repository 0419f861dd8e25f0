// A message imported from its bytes with the state Zimbra's .meta gives it, as Outlook keeps it.

#include <gtest/gtest.h>

#include <string>

#include "MetaItems.h"
#include "mailbox/ZimbraState.h"
#include "mapi/ByteSource.h"
#include "mapi/Tags.h"
#include "mime/EmlImport.h"

namespace tolvane::mailbox {
namespace {

using mapi::FileTime;
using test::itemOf;
using test::MetaLine;
namespace tag = mapi::tag;
namespace named = mapi::named;

constexpr const char* kPlain =
    "From: Anna <anna@example.com>\r\nTo: me@example.com\r\nSubject: Figures\r\n"
    "Date: Tue, 14 Nov 2023 10:00:00 +0000\r\nMessage-ID: <a@example.com>\r\n\r\nBody\r\n";

// Received on 15 Nov 2023 08:00:00 UTC by the last hop, with its own priority and keywords.
constexpr const char* kWithTraceAndHeaders =
    "Received: from mx.example.com by mail.example.com; Wed, 15 Nov 2023 08:00:00 +0000\r\n"
    "From: Anna <anna@example.com>\r\nTo: me@example.com\r\nSubject: Figures\r\n"
    "Date: Tue, 14 Nov 2023 10:00:00 +0000\r\nImportance: low\r\nKeywords: Finance\r\n"
    "\r\nBody\r\n";

struct Imported {
    mapi::Message msg;
    bool draft = false;
};

Imported import(const MetaLine& line, const char* eml = kPlain) {
    const source::Item item = itemOf(line);
    const ZimbraState state(item);
    const std::string text(eml);
    Imported out{mime::importMessage(mapi::MemoryByteSource(mapi::Bytes(text.begin(), text.end())),
                                     item.entry, state.outsideFacts()),
                 state.isDraft()};
    state.applyTo(out.msg);
    return out;
}

std::int32_t int32Of(const mapi::Message& msg, mapi::PropTag id) {
    const auto* v = msg.props.get(id);
    return v ? v->asInt32() : -1;
}

std::int64_t secondsOf(const mapi::PropValue* v) {
    return v ? v->asTime().toUnixSeconds() : -1;
}

TEST(ZimbraState, ReadAndUnreadAsZimbraKeptThem) {
    MetaLine line;
    EXPECT_EQ(int32Of(import(line).msg, tag::kMessageFlags) &
                  (tag::kMsgFlagRead | tag::kMsgFlagEverRead | tag::kMsgFlagUnsent),
              tag::kMsgFlagRead | tag::kMsgFlagEverRead);
    line.unread = 1;
    EXPECT_EQ(int32Of(import(line).msg, tag::kMessageFlags) &
                  (tag::kMsgFlagRead | tag::kMsgFlagEverRead | tag::kMsgFlagUnsent),
              0);
    // The letter alone says unread too.
    line.unread = 0;
    line.flagString = "u";
    EXPECT_EQ(int32Of(import(line).msg, tag::kMessageFlags) & tag::kMsgFlagRead, 0);
}

TEST(ZimbraState, OnlyDraftsAreUnsent) {
    MetaLine line;
    line.flags = 0x40;  // d
    const auto byFlag = import(line);
    EXPECT_TRUE(byFlag.draft);
    EXPECT_EQ(int32Of(byFlag.msg, tag::kMessageFlags) & tag::kMsgFlagUnsent, tag::kMsgFlagUnsent);
    EXPECT_EQ(int32Of(byFlag.msg, tag::kIconIndex), kIconUnsent);

    line.flags = 0;
    for (const auto& [folderId, path] : {std::pair{6, "/Drafts/"}, std::pair{254, "/Outbox/"}}) {
        SCOPED_TRACE(path);
        line.folderId = folderId;
        line.path = path;
        EXPECT_EQ(int32Of(import(line).msg, tag::kMessageFlags) & tag::kMsgFlagUnsent,
                  tag::kMsgFlagUnsent);
    }
    // Received and sent mail, and mail the user sent, stay sent.
    for (const auto& [folderId, path] : {std::pair{2, "/Inbox/"}, std::pair{5, "/Sent/"}}) {
        SCOPED_TRACE(path);
        line.folderId = folderId;
        line.path = path;
        line.flags = 0x1;  // s
        const auto sent = import(line);
        EXPECT_FALSE(sent.draft);
        EXPECT_EQ(int32Of(sent.msg, tag::kMessageFlags) & tag::kMsgFlagUnsent, 0);
        EXPECT_FALSE(sent.msg.props.has(tag::kIconIndex));
    }
}

TEST(ZimbraState, AFlaggedMessageGetsTheWholeTimeFlag) {
    MetaLine line;
    line.flagString = "f";
    const auto flagged = import(line, kWithTraceAndHeaders).msg;
    EXPECT_EQ(int32Of(flagged, tag::kFlagStatus), 2);
    EXPECT_EQ(int32Of(flagged, tag::kFollowupIcon), 6);
    EXPECT_EQ(int32Of(flagged, tag::kToDoItemFlags), 1);
    const auto& p = flagged.props;
    ASSERT_NE(p.getNamed(named::kFlagRequest), nullptr);
    EXPECT_EQ(p.getNamed(named::kFlagRequest)->asString(), "Follow up");
    ASSERT_NE(p.getNamed(named::kToDoTitle), nullptr);
    EXPECT_EQ(p.getNamed(named::kToDoTitle)->asString(), "Figures");
    // Ordered in the to-do list by when it arrived: the trace's time.
    EXPECT_EQ(secondsOf(p.getNamed(named::kToDoOrdinalDate)), 1700035200);
    ASSERT_NE(p.getNamed(named::kToDoSubOrdinal), nullptr);
    EXPECT_EQ(p.getNamed(named::kToDoSubOrdinal)->asString(), "5555555");
    ASSERT_NE(p.getNamed(named::kTaskStatus), nullptr);
    EXPECT_EQ(p.getNamed(named::kTaskStatus)->asInt32(), 0);
    ASSERT_NE(p.getNamed(named::kTaskComplete), nullptr);
    EXPECT_FALSE(p.getNamed(named::kTaskComplete)->asBool());
    ASSERT_NE(p.getNamed(named::kPercentComplete), nullptr);
    EXPECT_EQ(p.getNamed(named::kPercentComplete)->asDouble(), 0.0);

    const auto plain = import(MetaLine{}, kWithTraceAndHeaders).msg;
    for (mapi::PropTag id : {tag::kFlagStatus, tag::kFollowupIcon, tag::kToDoItemFlags})
        EXPECT_FALSE(plain.props.has(id)) << id.id;
    EXPECT_EQ(plain.props.getNamed(named::kToDoOrdinalDate), nullptr);
}

TEST(ZimbraState, RepliedAndForwardedAreTheLastVerbAtTheLastChange) {
    MetaLine line;
    line.flags = 0x4;  // r
    const auto replied = import(line).msg;
    EXPECT_EQ(int32Of(replied, tag::kLastVerbExecuted), kVerbReplyToSender);
    EXPECT_EQ(int32Of(replied, tag::kIconIndex), kIconReplied);
    EXPECT_EQ(secondsOf(replied.props.get(tag::kLastVerbExecutionTime)), line.changeDate);

    line.flags = 0x8;     // w
    line.changeDate = 0;  // no change recorded: the date Zimbra filed it
    const auto forwarded = import(line).msg;
    EXPECT_EQ(int32Of(forwarded, tag::kLastVerbExecuted), kVerbForward);
    EXPECT_EQ(int32Of(forwarded, tag::kIconIndex), kIconForwarded);
    EXPECT_EQ(secondsOf(forwarded.props.get(tag::kLastVerbExecutionTime)), line.date);

    line.flags = 0x4 | 0x8;
    EXPECT_EQ(int32Of(import(line).msg, tag::kLastVerbExecuted), kVerbReplyToSender);

    line.flags = 0;
    for (mapi::PropTag id : {tag::kLastVerbExecuted, tag::kLastVerbExecutionTime, tag::kIconIndex})
        EXPECT_FALSE(import(line).msg.props.has(id)) << id.id;
}

TEST(ZimbraState, PriorityFlagsCountWhereTheHeadersSayNothing) {
    MetaLine line;
    line.flagString = "!";
    const auto high = import(line).msg;
    EXPECT_EQ(int32Of(high, tag::kImportance), 2);
    EXPECT_EQ(int32Of(high, tag::kPriority), 1);
    line.flagString = "?";
    const auto low = import(line).msg;
    EXPECT_EQ(int32Of(low, tag::kImportance), 0);
    EXPECT_EQ(int32Of(low, tag::kPriority), -1);
    line.flagString = "";
    EXPECT_EQ(int32Of(import(line).msg, tag::kImportance), 1);
    // "Importance: low" in the headers wins over Zimbra's high.
    line.flagString = "!";
    EXPECT_EQ(int32Of(import(line, kWithTraceAndHeaders).msg, tag::kImportance), 0);
}

TEST(ZimbraState, TagsBecomeCategoriesAfterTheKeywordsHeader) {
    MetaLine line;
    line.tagNames = R"(Important:Finance:a\\:b)";
    const auto tagged = import(line, kWithTraceAndHeaders).msg;
    const auto* words = tagged.props.getNamed(named::kKeywords);
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words->asStrings(), (std::vector<std::string>{"Finance", "Important", "a:b"}));
    EXPECT_EQ(words->type(), mapi::PropType::MvUnicode);

    line.tagNames = "";
    EXPECT_EQ(import(line).msg.props.getNamed(named::kKeywords), nullptr);
}

TEST(ZimbraState, ZimbrasDateIsTheDeliveryTimeWhereNoReceivedLineGivesOne) {
    MetaLine line;
    line.date = 1700100000;
    const auto noTrace = import(line).msg;
    EXPECT_EQ(secondsOf(noTrace.props.get(tag::kMessageDeliveryTime)), 1700100000);
    // The sent time stays the Date header's.
    EXPECT_EQ(secondsOf(noTrace.props.get(tag::kClientSubmitTime)), 1699956000);

    const auto traced = import(line, kWithTraceAndHeaders).msg;
    EXPECT_EQ(secondsOf(traced.props.get(tag::kMessageDeliveryTime)), 1700035200);
}

TEST(ZimbraState, AHeaderlessInputTakesTheOutsideFactsToo) {
    MetaLine line;
    line.date = 1700100000;
    line.flagString = "!";
    const auto msg = import(line, "\x01\x02 not a message at all").msg;
    EXPECT_EQ(msg.verdict, mapi::ImportVerdict::NotAMessage);
    EXPECT_EQ(secondsOf(msg.props.get(tag::kMessageDeliveryTime)), 1700100000);
    EXPECT_EQ(int32Of(msg, tag::kImportance), 2);
    EXPECT_EQ(int32Of(msg, tag::kPriority), 1);
}

}  // namespace
}  // namespace tolvane::mailbox
