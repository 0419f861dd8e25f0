// What Outlook puts on every internet mail it receives beyond what the MIME says, and the
// mailbox owner's groups where Delivered-To or X-Original-To names the mailbox.

#include <gtest/gtest.h>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/EntryIds.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;
namespace named = mapi::named;

bool flag(const mapi::PropertyList& p, mapi::PropTag t) {
    const auto* v = p.get(t);
    return v && v->asBool();
}

TEST(ReceivedMail, TheDefaultsOfOutlooksMailForm) {
    const auto m = importText("From: a@x.org\r\nSubject: s\r\n\r\nbody\r\n");
    EXPECT_EQ(num(m.props, tag::kPriority), 0);
    ASSERT_TRUE(m.props.has(tag::kReadReceiptRequested));
    EXPECT_FALSE(flag(m.props, tag::kReadReceiptRequested));
    ASSERT_TRUE(m.props.has(tag::kNonReceiptNotificationRequested));
    EXPECT_FALSE(flag(m.props, tag::kNonReceiptNotificationRequested));
    EXPECT_GT(num(m.props, tag::kMessageLocaleId), 0);
    EXPECT_EQ(num(m.props, tag::kInternetCodepage), 65001);  // the body's
    EXPECT_EQ(num(m.props, tag::kMessageCodepage), 65001);
    for (const mapi::NamedTag& off :
         {named::kReminderSet, named::kPrivate, named::kAgingDontAgeMe, named::kUseTnef}) {
        const auto* v = m.props.getNamed(off);
        ASSERT_NE(v, nullptr);
        EXPECT_FALSE(v->asBool());
    }
    for (const mapi::NamedTag& zero :
         {named::kReminderDelta, named::kSideEffects, named::kTaskMode}) {
        const auto* v = m.props.getNamed(zero);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->asInt32(), 0);
    }
    ASSERT_NE(m.props.getNamed(named::kSmartNoAttach), nullptr);
    EXPECT_TRUE(m.props.getNamed(named::kSmartNoAttach)->asBool());  // nothing to see

    // What the MIME says wins over the defaults.
    const auto urgent = importText(
        "Priority: urgent\r\nDisposition-Notification-To: a@x.org\r\n"
        "Content-Language: de-DE\r\nContent-Type: text/plain; charset=koi8-r\r\n\r\nx\r\n");
    EXPECT_EQ(num(urgent.props, tag::kPriority), 1);
    EXPECT_TRUE(flag(urgent.props, tag::kReadReceiptRequested));
    EXPECT_EQ(num(urgent.props, tag::kMessageLocaleId), 0x0407);
    EXPECT_EQ(num(urgent.props, tag::kMessageCodepage), 20866);
    EXPECT_EQ(num(importText("Priority: non-urgent\r\n\r\nx\r\n").props, tag::kPriority), -1);
    // No body: the locale's code page, windows-1252 when it names none.
    const auto bodiless = importText("Content-Type: image/png\r\n\r\nPNG\r\n");
    EXPECT_FALSE(bodiless.props.has(tag::kInternetCodepage));
    EXPECT_GT(num(bodiless.props, tag::kMessageCodepage), 0);
}

TEST(ReceivedMail, TheMailboxOwnerFromDeliveredTo) {
    const auto m = importText(
        "Delivered-To: mailing list users@lists.x.org\r\nDelivered-To: Me@X.org\r\n"
        "X-Original-To: alias@x.org\r\nFrom: a@x.org\r\nTo: Someone <s@x.org>\r\n"
        "Cc: My Name <me@x.org>\r\nSubject: s\r\n\r\nx\r\n");
    // The first Delivered-To that is a bare address; the name from the recipient row.
    EXPECT_EQ(str(m.props, tag::kReceivedByEmailAddress), "Me@X.org");
    EXPECT_EQ(str(m.props, tag::kReceivedByName), "My Name");
    EXPECT_EQ(str(m.props, tag::kReceivedByAddressType), "SMTP");
    EXPECT_EQ(str(m.props, tag::kReceivedBySmtpAddress), "Me@X.org");
    const auto id = oneOffEntryId("My Name", "Me@X.org");
    EXPECT_EQ(bin(m.props, tag::kReceivedByEntryId), std::string(id.begin(), id.end()));
    EXPECT_EQ(bin(m.props, tag::kReceivedBySearchKey), std::string("SMTP:ME@X.ORG\0", 14));
    EXPECT_EQ(str(m.props, tag::kReceivedRepresentingName), "My Name");
    EXPECT_EQ(str(m.props, tag::kReceivedRepresentingEmailAddress), "Me@X.org");
    EXPECT_FALSE(flag(m.props, tag::kMessageToMe));
    EXPECT_TRUE(flag(m.props, tag::kMessageCcMe));
    EXPECT_TRUE(flag(m.props, tag::kMessageRecipientMe));

    // X-Original-To when no Delivered-To names a mailbox; Bcc'd: neither to nor cc.
    const auto bcc = importText(
        "Delivered-To: moderator for list@x.org\r\nX-Original-To: <me@x.org>\r\n"
        "To: other@x.org\r\nBcc: me@x.org\r\n\r\nx\r\n");
    EXPECT_EQ(str(bcc.props, tag::kReceivedByName), "me@x.org");
    EXPECT_FALSE(flag(bcc.props, tag::kMessageToMe));
    EXPECT_FALSE(flag(bcc.props, tag::kMessageCcMe));
    EXPECT_TRUE(flag(bcc.props, tag::kMessageRecipientMe));

    // Not among the recipients (a list, a forward): received, but not to me.
    const auto list = importText("Delivered-To: me@x.org\r\nTo: list@x.org\r\n\r\nx\r\n");
    EXPECT_EQ(str(list.props, tag::kReceivedByEmailAddress), "me@x.org");
    ASSERT_TRUE(list.props.has(tag::kMessageRecipientMe));
    EXPECT_FALSE(flag(list.props, tag::kMessageRecipientMe));

    // Nobody named: no owner is guessed.
    const auto none = importText("Delivered-To: mailing list l@x.org\r\nTo: me@x.org\r\n\r\nx\r\n");
    EXPECT_FALSE(none.props.has(tag::kReceivedByName));
    EXPECT_FALSE(none.props.has(tag::kMessageToMe));

    // Raw 8-bit bytes decode as the address lines do, so the owner is still its recipient;
    // a control character is no address.
    const auto raw = importText(
        "Delivered-To: j\xF6rg@x.org\r\nTo: J <j\xF6rg@x.org>\r\nSubject: s\r\n\r\nx\r\n");
    EXPECT_EQ(str(raw.props, tag::kReceivedByEmailAddress), "j\u00F6rg@x.org");
    EXPECT_TRUE(flag(raw.props, tag::kMessageToMe));
    const auto control = importText("Delivered-To: me\x01@x.org\r\nTo: me@x.org\r\n\r\nx\r\n");
    EXPECT_FALSE(control.props.has(tag::kReceivedByName));
}

}  // namespace
}  // namespace tolvane::mime::test
