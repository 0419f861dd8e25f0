// Damaged and unusual mail stored as Outlook stores it: one input per kind, written for
// these tests, in tests/mime/damaged. Each group names the rule it protects and its source.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/Charset.h"
#include "mime/Dates.h"
#include "mime/HeaderBlock.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

std::filesystem::path damaged(const char* name) {
    return std::filesystem::path(TOLVANE_MIME_DAMAGED) / name;
}

// A missing input is an error of importEml, so the test fails.
mapi::Message importDamaged(const char* name) {
    return importEml(damaged(name));
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// RFC 5322 §2.1: the header block, then an empty line, then the body. A block the input ends
// in is still the header block, and what follows it without the empty line is body.
TEST(HeaderBlockEnd, TheInputEndsInTheHeaderBlock) {
    const auto only = importDamaged("only-headers.eml");
    EXPECT_EQ(str(only.props, tag::kTransportMessageHeaders),
              "From: Ann Example <ann@example.org>\r\nTo: bob@example.net\r\n"
              "Subject: only a header\r\nDate: Tue, 1 Mar 2005 10:00:00 +0000\r\n");
    EXPECT_EQ(str(only.props, tag::kSubject), "only a header");
    EXPECT_EQ(str(only.props, tag::kSenderName), "Ann Example");
    EXPECT_EQ(unixTime(only.props, tag::kClientSubmitTime), 1109671200);
    ASSERT_EQ(only.recipients.size(), 1u);
    EXPECT_EQ(str(only.props, tag::kBody), "");

    const auto last = importDamaged("headers-then-last-line.eml");
    EXPECT_EQ(str(last.props, tag::kTransportMessageHeaders),
              "From: Ann Example <ann@example.org>\r\nSubject: the last line\r\n"
              "Date: Tue, 1 Mar 2005 10:00:00 +0000\r\n");
    EXPECT_EQ(str(last.props, tag::kBody), "See you on Monday");
}

// The block ends at the first line that is neither a field nor a continuation (RFC 5322
// §2.2, §2.2.3); that line and all after it are the body.
TEST(HeaderBlockEnd, TheFirstLineThatIsNoFieldStartsTheBody) {
    const auto m = importDamaged("body-without-empty-line.eml");
    EXPECT_EQ(str(m.props, tag::kSubject), "straight into the text");
    EXPECT_EQ(str(m.props, tag::kBody), "Hello Bob,\r\nthe plan: meet at ten.\r\n\r\nAnn\r\n");
    EXPECT_EQ(str(m.props, tag::kTransportMessageHeaders),
              "From: Ann Example <ann@example.org>\r\nSubject: straight into the text\r\n"
              "Date: Tue, 1 Mar 2005 10:00:00 +0000\r\n");

    // A field after the stray line is body text, not a recipient.
    const auto stray = importDamaged("line-without-colon.eml");
    EXPECT_EQ(str(stray.props, tag::kSubject), "a stray line");
    EXPECT_EQ(str(stray.props, tag::kSenderEmailAddress), "ann@example.org");
    EXPECT_TRUE(stray.recipients.empty());
    EXPECT_EQ(str(stray.props, tag::kBody),
              "this is no header\r\nTo: bob@example.net\r\n\r\nbody\r\n");

    // A name with 8-bit bytes is still a field, as GMime reads it; a blank inside is none.
    const auto eight = importText(
        "X-Gr\xC3\xBC\xC3\x9F"
        "e: hi\r\nSubject: after\r\n\r\nbody\r\n");
    EXPECT_EQ(str(eight.props, tag::kSubject), "after");
    const auto blank = importText("Subject: s\r\nNote this: a line\r\nTo: t@x.org\r\n\r\nb\r\n");
    EXPECT_EQ(str(blank.props, tag::kBody), "Note this: a line\r\nTo: t@x.org\r\n\r\nb\r\n");
}

// Continuation lines with no field before them are junk; the fields after them are read. The
// transport headers keep them: nothing of the input is lost.
TEST(HeaderBlockEnd, IndentedLinesBeforeTheFirstFieldAreSkipped) {
    const auto m = importDamaged("indented-first-line.eml");
    EXPECT_EQ(str(m.props, tag::kSubject), "indented start");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingName), "Ann Example");
    EXPECT_EQ(unixTime(m.props, tag::kClientSubmitTime), 1109671200);
    EXPECT_EQ(str(m.props, tag::kBody), "the body\r\n");
    EXPECT_EQ(str(m.props, tag::kTransportMessageHeaders).rfind("   X-Junk: nothing", 0), 0u);
}

// Large inputs find their header block in pieces: each piece either asks for more or gives
// the block the whole input gives.
TEST(HeaderBlockEnd, FoundAlikeInPieces) {
    std::size_t blocks = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TOLVANE_MIME_DAMAGED)) {
        const std::string bytes = fileText(entry.path());
        const auto whole = findHeaderBlock(bytes, true);
        ASSERT_TRUE(whole) << entry.path();
        blocks += whole->fields > 0;
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            const auto piece = findHeaderBlock(std::string_view(bytes).substr(0, n), false);
            if (!piece)
                continue;
            EXPECT_EQ(piece->fieldsBegin, whole->fieldsBegin) << entry.path() << " at " << n;
            EXPECT_EQ(piece->end, whole->end) << entry.path() << " at " << n;
            EXPECT_EQ(piece->fields, whole->fields) << entry.path() << " at " << n;
            EXPECT_EQ(piece->emptyLineEnds, whole->emptyLineEnds) << entry.path() << " at " << n;
        }
    }
    EXPECT_GE(blocks, 16u);
}

// MS-OXCMAIL 2.2.3.4: one attachment per MIME part. Damaged base64 decodes leniently: bad
// bytes are skipped and a short last group keeps the bytes it carries.
TEST(DamagedBase64, OneAttachmentDecodedLeniently) {
    const auto m = importDamaged("damaged-base64.eml");
    EXPECT_EQ(str(m.props, tag::kBody), "see attached");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachLongFilename), "data.bin");
    EXPECT_EQ(bin(m.attachments[0].props, tag::kAttachDataBinary), "Hello world");
}

// RFC 2045 §5.2: a Content-Type that is no type is text/plain; us-ascii. The part is the
// body where it stands first, else a text attachment.
TEST(InvalidContentType, IsPlainText) {
    const auto tagged = importDamaged("content-type-html-tag.eml");
    EXPECT_EQ(str(tagged.props, tag::kBody), "plain words\r\n");
    EXPECT_TRUE(tagged.attachments.empty());

    const auto mixed = importDamaged("content-type-empty-in-mixed.eml");
    EXPECT_EQ(str(mixed.props, tag::kBody), "first text");
    ASSERT_EQ(mixed.attachments.size(), 1u);
    EXPECT_EQ(str(mixed.attachments[0].props, tag::kAttachMimeTag), "text/plain");
    EXPECT_EQ(str(mixed.attachments[0].props, tag::kAttachLongFilename), "ATT00001.txt");
    EXPECT_EQ(bin(mixed.attachments[0].props, tag::kAttachDataBinary), "second text");
}

// MS-OXCMAIL 2.2.3.2.6.1 with the store's "colon and a space": a word and a colon that no
// blank follows is no prefix, and the topic is the normalized subject the prefix leaves.
TEST(SubjectPrefix, AColonWordIsNoPrefix) {
    const auto m = importDamaged("subject-colon-word.eml");
    EXPECT_EQ(str(m.props, tag::kSubjectPrefix), "");
    EXPECT_EQ(str(m.props, tag::kNormalizedSubject), "dvd::rip on Linux?");
    EXPECT_EQ(str(m.props, tag::kConversationTopic), "dvd::rip on Linux?");
}

// RFC 2047 §5: an encoded word is never an address. Alone in From (and To) it is the name,
// decoded; no address is made up.
TEST(Originator, AnEncodedWordAloneIsTheName) {
    const auto m = importDamaged("from-encoded-word.eml");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingName), "Привет");
    EXPECT_EQ(str(m.props, tag::kSenderName), "Привет");
    EXPECT_EQ(str(m.props, tag::kSenderEmailAddress), "");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingSmtpAddress), "");
    ASSERT_EQ(m.recipients.size(), 2u);
    EXPECT_EQ(str(m.recipients[0].props, tag::kDisplayName), "Привет");
    EXPECT_EQ(str(m.recipients[0].props, tag::kEmailAddress), "");
    EXPECT_EQ(str(m.recipients[1].props, tag::kEmailAddress), "bob@example.net");
}

// RFC 5322 §3.2.2 and §4.4: a comment names a mailbox that has no phrase, in the obsolete
// "user at example.com (Name)" form and after an angle address; a phrase of punctuation only
// is no name, and the address is shown.
TEST(Originator, CommentsNameMailboxesWithoutAPhrase) {
    const auto m = importDamaged("obsolete-addresses.eml");
    EXPECT_EQ(str(m.props, tag::kSenderName), "Ann Example");
    EXPECT_EQ(str(m.props, tag::kSenderEmailAddress), "ann@example.org");
    const char* expected[][2] = {{"bob@example.net", "bob@example.net"},
                                 {"Carl Example", "carl@example.net"},
                                 {"dan@example.net", "dan@example.net"},
                                 {"Eve Example", "eve@example.net"}};
    ASSERT_EQ(m.recipients.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(str(m.recipients[i].props, tag::kDisplayName), expected[i][0]) << i;
        EXPECT_EQ(str(m.recipients[i].props, tag::kEmailAddress), expected[i][1]) << i;
    }
}

// Dates that put the month first: asctime without a zone is UTC; the long form without one
// is in the zone of the first Received line written, the sender's.
TEST(Dates, MonthFirstFormsAreRead) {
    const auto asctime = importDamaged("date-asctime.eml");
    EXPECT_EQ(unixTime(asctime.props, tag::kClientSubmitTime), 1130237347);  // 2005-10-25 10:49:07
    const auto longForm = importDamaged("date-long-form.eml");
    EXPECT_EQ(unixTime(longForm.props, tag::kClientSubmitTime), 1017842160);  // 13:56 UTC

    struct Row {
        const char* text;
        std::int64_t seconds;
    } rows[] = {
        {"Tue Oct 25 10:49:07 EDT 2005", 1130251747},
        {"Oct 25 10:49:07 2005", 1130237347},
        {"April 3, 2002 12:05 AM", 1017821100},  // in the zone given: -0800
        {"Wednesday, April 03, 2002 5:56 PM +0200", 1017849360},
        // A number after "day month" is still a two-digit year (RFC 5322 §4.3).
        {"25 Oct 05 10:49:07 +0000", 1130237347},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parseDate(r.text, "-0800").value_or(-1), r.seconds) << r.text;
}

// MS-OXCMAIL 2.2.3.3.2: the first entity that qualifies, in tree order, is the body; a mixed
// multipart whose first part is no text does not qualify, but a later text part does.
TEST(BodyChoice, FirstQualifyingEntityInTreeOrder) {
    const auto image = importDamaged("mixed-image-first.eml");
    EXPECT_EQ(str(image.props, tag::kBody), "the words");
    ASSERT_EQ(image.attachments.size(), 2u);
    EXPECT_EQ(str(image.attachments[0].props, tag::kAttachLongFilename), "dot.gif");
    EXPECT_EQ(bin(image.attachments[1].props, tag::kAttachDataBinary), "more words");

    const auto report = importDamaged("mixed-status-first.eml");
    EXPECT_EQ(bin(report.props, tag::kHtml), "<p>could not deliver</p>");
    EXPECT_EQ(str(report.props, tag::kBody), "could not deliver");
    ASSERT_EQ(report.attachments.size(), 1u);
    EXPECT_EQ(str(report.attachments[0].props, tag::kAttachMimeTag), "message/delivery-status");
}

// Charset names that are wrong but common decode as mail clients decode them: the teletext
// set's name on Latin-1 text as windows-1252, GB 2312's names as GB18030 (the supersets of
// narrow sets: CharsetDecoding in CharsetTest).
TEST(CharsetMislabels, DecodeAsMailClientsDo) {
    const auto latin = importDamaged("charset-ansi-x3-110.eml");
    EXPECT_EQ(str(latin.props, tag::kBody), "Café, déjà vu, naïve Zoë\r\n");
    const auto chinese = importDamaged("charset-gb2312-gbk.eml");
    EXPECT_EQ(str(chinese.props, tag::kBody), "朱镕基说：你好\r\n");
}

// A file that is no message is stored as ever, but the import says so. Not a message: no
// field mail defines at its start (random bytes, a diary, notes that look like fields). A
// message, however damaged its header, is a message.
TEST(InputVerdict, FilesThatAreNoMessageAreNamedSo) {
    for (const char* name : {"junk.eml", "diary.eml", "notes.eml"}) {
        const auto m = importDamaged(name);
        EXPECT_EQ(m.verdict, mapi::ImportVerdict::NotAMessage) << name;
        EXPECT_NE(str(m.props, tag::kBody), "") << name;  // still stored whole
    }
    std::size_t messages = 0;
    for (const char* folder : {TOLVANE_MIME_DAMAGED, TOLVANE_MIME_CORPUS}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name == "junk.eml" || name == "diary.eml" || name == "notes.eml" ||
                name == "noheaders.eml") {
                continue;
            }
            EXPECT_EQ(importEml(entry.path()).verdict, mapi::ImportVerdict::Message) << name;
            ++messages;
        }
    }
    EXPECT_GE(messages, 30u);
    // Junk before the first field, an mbox separator, a byte-order mark: still messages.
    for (const char* text :
         {"\r\n\r\nSubject: late\r\n\r\nx\r\n",
          "From ann@example.org Tue Mar  1 10:00:00 2005\nFrom: ann@example.org\n\nx\n",
          "\xEF\xBB\xBFSubject: marked\r\n\r\nx\r\n"}) {
        const auto m = importText(text);
        EXPECT_EQ(m.verdict, mapi::ImportVerdict::Message) << text;
        EXPECT_NE(str(m.props, tag::kSubject) + str(m.props, tag::kSenderEmailAddress), "") << text;
    }
}

}  // namespace
}  // namespace tolvane::mime::test
