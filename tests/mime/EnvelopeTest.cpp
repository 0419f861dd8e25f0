// Header -> property rules (MS-OXCMAIL 2.2.3.1 / 2.2.3.2).

#include <gtest/gtest.h>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/EntryIds.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// §1.1 rule 2: the first instance wins, except To/Cc/Bcc, which combine.
TEST(RepeatedHeaders, FirstInstanceWinsAndRecipientsCombine) {
    const auto m = importText(
        "Subject: first\r\nSubject: second\r\n"
        "Date: Mon, 2 Mar 2020 10:00:00 +0000\r\nDate: Tue, 3 Mar 2020 10:00:00 +0000\r\n"
        "Message-ID: <one@x>\r\nMessage-ID: <two@x>\r\n"
        "From: A <a@x.org>\r\nFrom: B <b@x.org>\r\n"
        "To: t1@x.org\r\nCc: c1@x.org\r\nTo: t2@x.org, t3@x.org\r\nBcc: b1@x.org\r\n\r\nbody\r\n");
    EXPECT_EQ(str(m.props, tag::kSubject), "first");
    EXPECT_EQ(unixTime(m.props, tag::kClientSubmitTime), 1583143200);
    EXPECT_EQ(str(m.props, tag::kInternetMessageId), "<one@x>");
    EXPECT_EQ(str(m.props, tag::kSenderEmailAddress), "a@x.org");
    ASSERT_EQ(m.recipients.size(), 5u);
    const char* expected[] = {"t1@x.org", "t2@x.org", "t3@x.org", "c1@x.org", "b1@x.org"};
    const std::int64_t types[] = {1, 1, 1, 2, 3};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(str(m.recipients[i].props, tag::kEmailAddress), expected[i]);
        EXPECT_EQ(num(m.recipients[i].props, tag::kRecipientType), types[i]);
    }
    EXPECT_EQ(str(m.props, tag::kDisplayTo), "t1@x.org; t2@x.org; t3@x.org");
    EXPECT_EQ(str(m.props, tag::kDisplayCc), "c1@x.org");
    EXPECT_EQ(str(m.props, tag::kDisplayBcc), "b1@x.org");
}

// §1.2: From fills both originator groups; Sender overrides the sender group only.
TEST(Originators, FromFillsBothGroupsAndSenderOverridesOne) {
    const auto m = importText(
        "From: =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <jm@example.de>, other@x.org\r\n"
        "Sender: Assistant <as@example.de>\r\nSubject: s\r\n\r\nx\r\n");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingName), "Jürgen Müller");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingEmailAddress), "jm@example.de");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingAddressType), "SMTP");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingSmtpAddress), "jm@example.de");
    EXPECT_EQ(bin(m.props, tag::kSentRepresentingSearchKey),
              std::string("SMTP:JM@EXAMPLE.DE\0", 19));
    const auto e = oneOffEntryId("Jürgen Müller", "jm@example.de");
    EXPECT_EQ(bin(m.props, tag::kSentRepresentingEntryId), std::string(e.begin(), e.end()));
    EXPECT_EQ(str(m.props, tag::kSenderName), "Assistant");
    EXPECT_EQ(str(m.props, tag::kSenderEmailAddress), "as@example.de");
    EXPECT_EQ(str(m.props, tag::kSenderSmtpAddress), "as@example.de");
    EXPECT_EQ(bin(m.props, tag::kSenderSearchKey), std::string("SMTP:AS@EXAMPLE.DE\0", 19));
}

TEST(Originators, SenderWithoutFromFillsOnlyTheSenderGroup) {
    const auto m = importText("Sender: Desk <desk@x.org>\r\nSubject: s\r\n\r\nx\r\n");
    EXPECT_EQ(str(m.props, tag::kSenderName), "Desk");
    EXPECT_FALSE(m.props.has(tag::kSentRepresentingName));
}

TEST(Originators, GroupSyntaxTakesFirstMemberAndMissingFromLeavesGroupsUnset) {
    const auto g = importText("From: Team: x@a.org, y@a.org;\r\nSubject: s\r\n\r\nx\r\n");
    EXPECT_EQ(str(g.props, tag::kSentRepresentingEmailAddress), "x@a.org");
    EXPECT_EQ(str(g.props, tag::kSentRepresentingName), "x@a.org");
    const auto none = importText("Subject: s\r\n\r\nx\r\n");
    EXPECT_FALSE(none.props.has(tag::kSentRepresentingName));
    EXPECT_FALSE(none.props.has(tag::kSenderName));
}

// §1.3: one row per mailbox, groups expanded, empty groups add none, every row property.
TEST(RecipientTable, RowsCarryEveryPropertyAndGroupsExpand) {
    const auto m = importText(
        "From: a@x.org\r\nTo: undisclosed-recipients:;\r\n"
        "Cc: Friends: \"Smith, Ann\" <ann@x.org>, bob@x.org;, =?ISO-8859-1?Q?Ren=E9?= "
        "<rene@x.fr>\r\n"
        "Subject: s\r\n\r\nx\r\n");
    ASSERT_EQ(m.recipients.size(), 3u);
    const auto& ann = m.recipients[0].props;
    EXPECT_EQ(str(ann, tag::kDisplayName), "Smith, Ann");
    EXPECT_EQ(str(ann, tag::kEmailAddress), "ann@x.org");
    EXPECT_EQ(str(ann, tag::kAddressType), "SMTP");
    EXPECT_EQ(str(ann, tag::kSmtpAddress), "ann@x.org");
    EXPECT_EQ(num(ann, tag::kRecipientType), 2);
    EXPECT_EQ(num(ann, tag::kDisplayType), 0);
    EXPECT_EQ(num(ann, tag::kObjectType), 6);
    // As Outlook's rows of a received mail: sendable, delivered, the name to transmit, the
    // entry id twice; no row id, order or tracking (the table and the sender's own).
    EXPECT_EQ(num(ann, tag::kRecipientFlags), 1);
    ASSERT_NE(ann.get(tag::kResponsibility), nullptr);
    EXPECT_TRUE(ann.get(tag::kResponsibility)->asBool());
    EXPECT_EQ(str(ann, tag::kTransmittableDisplayName), "Smith, Ann");
    EXPECT_FALSE(ann.has({0x3000, mapi::PropType::Int32}));  // PidTagRowid
    EXPECT_FALSE(ann.has({0x5FDF, mapi::PropType::Int32}));  // PidTagRecipientOrder
    EXPECT_FALSE(ann.has({0x5FFF, mapi::PropType::Int32}));  // PidTagRecipientTrackStatus
    ASSERT_NE(ann.get(tag::kSendRichInfo), nullptr);
    EXPECT_FALSE(ann.get(tag::kSendRichInfo)->asBool());
    EXPECT_EQ(bin(ann, tag::kSearchKey), std::string("SMTP:ANN@X.ORG\0", 15));
    const auto e = oneOffEntryId("Smith, Ann", "ann@x.org");
    EXPECT_EQ(bin(ann, tag::kEntryId), std::string(e.begin(), e.end()));
    EXPECT_EQ(bin(ann, tag::kRecordKey), std::string(e.begin(), e.end()));
    EXPECT_EQ(bin(ann, tag::kRecipientEntryId), std::string(e.begin(), e.end()));
    // No display name: the address stands in.
    EXPECT_EQ(str(m.recipients[1].props, tag::kDisplayName), "bob@x.org");
    EXPECT_EQ(str(m.recipients[2].props, tag::kDisplayName), "René");
    EXPECT_FALSE(m.props.has(tag::kDisplayTo));  // no empty summary, as Outlook's
    EXPECT_EQ(str(m.props, tag::kDisplayCc), "Smith, Ann; bob@x.org; René");
}

// §1.4: one-off EntryID byte layout (MS-OXCDATA 2.2.5.1), flags word 0x8001 as in the entry
// ids and record keys of the mails Outlook received (0x9001 only in those it composed).
TEST(OneOffEntryId, LayoutIsByteExact) {
    const auto id = oneOffEntryId("Zoë", "z@x.org");
    EXPECT_EQ(hex(std::string(id.begin(), id.end())),
              "00000000"                            // flags
              "812B1FA4BEA310199D6E00DD010F5402"    // MAPI_ONE_OFF_UID
              "0000"                                // version
              "0180"                                // 0x8001: Unicode, no rich info
              "5A006F00EB000000"                    // "Zoë" + NUL
              "53004D00540050000000"                // "SMTP" + NUL
              "7A00400078002E006F00720067000000");  // "z@x.org" + NUL
}

TEST(OneOffEntryId, FlatEntryListPadsEachEntryToFourBytes) {
    const mapi::Bytes a = {1, 2, 3, 4, 5};
    const mapi::Bytes b = {9, 9, 9, 9};
    const auto list = flatEntryList({a, b});
    EXPECT_EQ(hex(std::string(list.begin(), list.end())),
              "02000000"  // count
              "14000000"  // 20 bytes of entries
              "05000000"
              "0102030405000000"
              "04000000"
              "09090909");
}

// §1.2 Reply-To: entries and names set together, same order.
TEST(ReplyTo, EntriesAndNamesMatch) {
    const auto m = importText(
        "From: a@x.org\r\nReply-To: List <l@x.org>, =?UTF-8?B?w5xiZXI=?= <u@x.org>\r\n"
        "Subject: s\r\n\r\nx\r\n");
    EXPECT_EQ(str(m.props, tag::kReplyRecipientNames), "List;Über");
    const auto l = oneOffEntryId("List", "l@x.org");
    const auto u = oneOffEntryId("Über", "u@x.org");
    const auto flat = flatEntryList({l, u});
    EXPECT_EQ(bin(m.props, tag::kReplyRecipientEntries), std::string(flat.begin(), flat.end()));
}

// §1.5: Date to submit time; topmost Received to delivery time; fallbacks, never "now".
TEST(Dates, SubmitFromDateDeliveryFromTopmostReceived) {
    const auto m = importText(
        "Received: from b by c; Tue, 3 Mar 2020 11:00:05 +0100\r\n"
        "Received: from a by b; Tue, 3 Mar 2020 10:00:00 +0100\r\n"
        "Date: Tue, 3 Mar 2020 09:59:30 +0100\r\nSubject: s\r\n\r\nx\r\n");
    EXPECT_EQ(unixTime(m.props, tag::kClientSubmitTime), 1583225970);
    EXPECT_EQ(unixTime(m.props, tag::kMessageDeliveryTime), 1583229605);
}

TEST(Dates, FallbacksForMissingOrGarbledDate) {
    const auto noDate =
        importText("Received: from a by b; 1 Jan 2001 00:00:00 +0000\r\nSubject: s\r\n\r\nx\r\n");
    EXPECT_EQ(unixTime(noDate.props, tag::kClientSubmitTime), 978307200);
    EXPECT_EQ(unixTime(noDate.props, tag::kMessageDeliveryTime), 978307200);

    const auto zimbra = importText(
        "Date: garbage\r\nX-Zimbra-Received: Sat, 1 Jan 2005 12:00:00 +0000\r\n\r\nx\r\n");
    EXPECT_EQ(unixTime(zimbra.props, tag::kClientSubmitTime), 1104580800);
    EXPECT_EQ(unixTime(zimbra.props, tag::kMessageDeliveryTime), 1104580800);

    // X-Zimbra-Received as milliseconds beats Received for the delivery time.
    const auto millis = importText(
        "Received: from a by b; 1 Jan 2001 00:00:00 +0000\r\nDate: 1 Jan 2001 00:00:00 +0000\r\n"
        "X-Zimbra-Received: 978307260000\r\n\r\nx\r\n");
    EXPECT_EQ(unixTime(millis.props, tag::kClientSubmitTime), 978307200);
    EXPECT_EQ(unixTime(millis.props, tag::kMessageDeliveryTime), 978307260);

    // Nothing dates the message: the file's own time, not the conversion time.
    TempFile f("Subject: undated\r\n\r\nx\r\n");
    const auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    std::filesystem::last_write_time(f.path(), when);
    const auto m = importEml(f.path());
    const auto expected = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::file_clock::to_sys(when).time_since_epoch())
                              .count();
    EXPECT_EQ(unixTime(m.props, tag::kClientSubmitTime), expected);
}

// RFC 5322 §4.3: two digits are 2000-2049 below 50, else 19xx; three digits 1900 more.
TEST(Dates, ObsoleteYearsOfTwoAndThreeDigits) {
    struct Row {
        const char* date;
        std::int64_t unix;
    } rows[] = {
        {"1 Feb 49 00:00:00 +0000", 2495750400},       // 2049
        {"1 Feb 99 00:00:00 +0000", 917827200},        // 1999
        {"Thu, 1 Feb 101 00:00:00 +0000", 980985600},  // 2001
        {"1 Feb 2049 00:00:00 +0000", 2495750400},     // four digits as they are
    };
    for (const auto& r : rows) {
        const auto m = importText(std::string("Date: ") + r.date + "\r\n\r\nx\r\n");
        EXPECT_EQ(unixTime(m.props, tag::kClientSubmitTime), r.unix) << r.date;
    }
    // 50 is 1950, not 2050; GMime reads no year before 1969, so the date falls back to the
    // Received line as an unreadable one does.
    const auto y50 = importText(
        "Received: from a by b; 2 Feb 2020 10:00:00 +0000\r\nDate: 1 Feb 50 00:00:00 +0000\r\n"
        "\r\nx\r\n");
    EXPECT_EQ(unixTime(y50.props, tag::kClientSubmitTime), 1580637600);
}

// §1.6 subject prefix and normalized subject (MS-OXCMAIL 2.2.3.2.6.1), conversation topic:
// one rule for all three, the prefix always the subject's own start.
TEST(SubjectPrefix, OneToThreeCharactersThenColon) {
    struct Row {
        const char* subject;
        const char* prefix;
        const char* normalized;
    } rows[] = {
        {"Re: hello", "Re: ", "hello"},
        {"RE:  two blanks", "RE:  ", "two blanks"},
        {"Re:x", "", "Re:x"},
        {"Re2: digits", "", "Re2: digits"},
        {"Fwd: f", "Fwd: ", "f"},
        {"Antw: four", "", "Antw: four"},
        {"AW: Grüße", "AW: ", "Grüße"},
        {"Ré: accent", "Ré: ", "accent"},
        {"a b: blank", "", "a b: blank"},
        {": empty", "", ": empty"},
        {"Subject", "", "Subject"},
        {"", "", ""},
    };
    for (const auto& r : rows) {
        const auto m = importText(std::string("Subject: ") + r.subject + "\r\n\r\nx\r\n");
        EXPECT_EQ(str(m.props, tag::kSubject), r.subject);
        EXPECT_EQ(str(m.props, tag::kSubjectPrefix), r.prefix) << r.subject;
        EXPECT_EQ(str(m.props, tag::kNormalizedSubject), r.normalized) << r.subject;
        EXPECT_EQ(str(m.props, tag::kConversationTopic), r.normalized) << r.subject;
        EXPECT_EQ(std::string(r.prefix) + r.normalized, r.subject);
    }
}

TEST(Threading, IdsReferencesTopicAndIndex) {
    const auto m = importText(
        "Subject: RE: topic\r\nMessage-ID: <abc@host>\r\nIn-Reply-To: <prev@host>\r\n"
        "References: <r1@host>\r\n <prev@host>\r\nThread-Topic: the topic\r\n"
        "Thread-Index: AdXxAQIDBAUGBwgJCgsMDQ4PEBESEw==\r\n\r\nx\r\n");
    EXPECT_EQ(str(m.props, tag::kInternetMessageId), "<abc@host>");
    EXPECT_EQ(str(m.props, tag::kInReplyToId), "<prev@host>");
    EXPECT_EQ(str(m.props, tag::kInternetReferences), "<r1@host> <prev@host>");
    EXPECT_EQ(str(m.props, tag::kConversationTopic), "the topic");
    EXPECT_EQ(hex(bin(m.props, tag::kConversationIndex)),
              "01D5F10102030405060708090A0B0C0D0E0F10111213");
}

// §1.7 importance precedence and sensitivity, always written.
TEST(ImportanceAndSensitivity, PrecedenceAndDefaults) {
    struct Row {
        const char* headers;
        std::int64_t importance;
        std::int64_t sensitivity;
    } rows[] = {
        {"", 1, 0},
        {"Importance: high\r\nX-Priority: 5\r\n", 2, 0},
        {"X-Priority: 5 (Lowest)\r\nImportance: Low\r\n", 0, 0},
        {"Priority: urgent\r\nX-Priority: 5\r\n", 2, 0},
        {"Priority: non-urgent\r\n", 0, 0},
        {"X-Priority: 1 (Highest)\r\n", 2, 0},
        {"X-Priority: 3\r\nX-MSMail-Priority: High\r\n", 1, 0},
        {"X-MSMail-Priority: Low\r\n", 0, 0},
        {"Sensitivity: Personal\r\n", 1, 1},
        {"Sensitivity: private\r\n", 1, 2},
        {"Sensitivity: Company-Confidential\r\n", 1, 3},
        {"Sensitivity: whatever\r\n", 1, 0},
    };
    for (const auto& r : rows) {
        const auto m = importText(std::string(r.headers) + "Subject: s\r\n\r\nx\r\n");
        EXPECT_EQ(num(m.props, tag::kImportance), r.importance) << r.headers;
        EXPECT_EQ(num(m.props, tag::kSensitivity), r.sensitivity) << r.headers;
    }
}

TEST(MiscHeaders, ReceiptsListsCategoriesFlagAndLanguage) {
    const auto m = importText(
        "Subject: Flag me\r\nDisposition-Notification-To: Boss <boss@x.org>\r\n"
        "Return-Receipt-To: boss@x.org\r\n"
        "List-Help: <mailto:help@l.org>\r\nX-List-Help: <mailto:wrong@l.org>\r\n"
        "X-List-Unsubscribe: <mailto:off@l.org>\r\n"
        "Keywords: Work, =?UTF-8?Q?Pers=C3=B6nlich?= ,, Urgent\r\n"
        "X-Message-Flag: Follow up\r\nContent-Language: de-AT\r\n"
        "Accept-Language: de-AT, en\r\n\r\nx\r\n");
    ASSERT_NE(m.props.get(tag::kReadReceiptRequested), nullptr);
    EXPECT_TRUE(m.props.get(tag::kReadReceiptRequested)->asBool());
    EXPECT_EQ(str(m.props, tag::kReadReceiptEmailAddress), "boss@x.org");
    EXPECT_EQ(str(m.props, tag::kReadReceiptName), "Boss");
    EXPECT_EQ(str(m.props, tag::kReadReceiptAddressType), "SMTP");
    EXPECT_EQ(bin(m.props, tag::kReadReceiptSearchKey), std::string("SMTP:BOSS@X.ORG\0", 16));
    ASSERT_NE(m.props.get(tag::kOriginatorDeliveryReportRequested), nullptr);
    EXPECT_TRUE(m.props.get(tag::kOriginatorDeliveryReportRequested)->asBool());
    EXPECT_EQ(str(m.props, tag::kListHelp), "<mailto:help@l.org>");
    EXPECT_EQ(str(m.props, tag::kListUnsubscribe), "<mailto:off@l.org>");
    EXPECT_FALSE(m.props.has(tag::kListSubscribe));
    const auto* keywords = m.props.getNamed(mapi::named::kKeywords);
    ASSERT_NE(keywords, nullptr);
    EXPECT_EQ(keywords->asStrings(), (std::vector<std::string>{"Work", "Persönlich", "Urgent"}));
    const auto* flag = m.props.getNamed(mapi::named::kFlagRequest);
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->asString(), "Follow up");
    EXPECT_EQ(num(m.props, tag::kFlagStatus), 2);
    EXPECT_EQ(num(m.props, tag::kToDoItemFlags), 8);
    const auto* title = m.props.getNamed(mapi::named::kToDoTitle);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->asString(), "Flag me");
    EXPECT_EQ(num(m.props, tag::kMessageLocaleId), 0x0C07);
    const auto* accept = m.props.getNamed(mapi::named::kAcceptLanguage);
    ASSERT_NE(accept, nullptr);
    EXPECT_EQ(accept->asString(), "de-AT, en");
}

// Absent headers set nothing but what Outlook puts on every received mail (ReceivedMailTest).
TEST(MiscHeaders, AbsentHeadersSetNothing) {
    const auto m = importText("Subject: plain\r\n\r\nx\r\n");
    for (mapi::PropTag id : {tag::kListHelp, tag::kFlagStatus, tag::kReplyRecipientEntries,
                             tag::kInternetMessageId, tag::kReceivedByName, tag::kMessageToMe}) {
        EXPECT_FALSE(m.props.has(id)) << std::hex << id.value();
    }
    EXPECT_FALSE(m.props.getNamed(mapi::named::kKeywords));
    EXPECT_FALSE(m.props.getNamed(mapi::named::kFlagRequest));
    EXPECT_FALSE(m.props.getNamed(mapi::named::kAcceptLanguage));
}

// §1.7 transport headers: the raw block, CRLF, decoded as UTF-8 else windows-1252.
TEST(TransportHeaders, RawBlockWithCrlf) {
    const auto m = importText(
        "Subject: =?UTF-8?Q?caf=C3=A9?=\nX-Raw: caf\xE9\n"
        "X-MS-Exchange-Organization-SCL: -1\n x\nX-MS-Exchange-Forest-Y: 1\nX-Folded: a\n "
        "b\n\nbody\n");
    EXPECT_EQ(str(m.props, tag::kTransportMessageHeaders),
              "Subject: =?UTF-8?Q?caf=C3=A9?=\r\nX-Raw: café\r\nX-Folded: a\r\n b\r\n");
}

// §1.9: what a store computes (flags, times, sizes, attachment numbers) the import leaves to
// the store; it only says how much memory the message holds, outside the properties.
TEST(ComputedProperties, LeftToTheStore) {
    const std::string pdf(3000, 'P');
    const auto m = importText(
        "X-Unsent: 1\r\nSubject: s\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\n\r\nbody\r\n--b\r\nContent-Type: application/pdf\r\n\r\n" +
        pdf + "\r\n--b--\r\n");
    for (mapi::PropTag computed : {tag::kMessageFlags, tag::kHasAttachments, tag::kCreationTime,
                                   tag::kLastModificationTime, tag::kMessageSize}) {
        EXPECT_FALSE(m.props.has(computed)) << std::hex << computed.value();
    }
    ASSERT_EQ(m.attachments.size(), 1u);
    for (mapi::PropTag computed : {tag::kAttachSize, tag::kAttachNumber, tag::kCreationTime}) {
        EXPECT_FALSE(m.attachments[0].props.has(computed)) << std::hex << computed.value();
    }
    EXPECT_EQ(str(m.props, tag::kMessageClass), "IPM.Note");
    EXPECT_GT(m.memoryBytes, pdf.size() + 4);
}

}  // namespace
}  // namespace tolvane::mime::test
