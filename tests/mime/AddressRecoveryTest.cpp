// Address lists that GMime cannot parse keep every address and name that can be read of
// them, element by element, so one bad mailbox loses at most itself.

#include <gtest/gtest.h>

#include <gmime/gmime.h>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/Addresses.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

std::string shown(const std::vector<Mailbox>& boxes) {
    std::string out;
    for (const auto& m : boxes)
        out += (out.empty() ? "" : " | ") + m.name + " <" + m.address + ">";
    return out;
}

TEST(AddressRecovery, EveryReadableAddressAndNameIsKept) {
    g_mime_init();  // parsed here without a message around it
    struct Row {
        const char* raw;
        const char* mailboxes;
    } rows[] = {
        // Parsed by GMime as they are.
        {"\"Smith, John\" <js@x.org>", "Smith, John <js@x.org>"},
        {"Smith, John <js@x.org>", "Smith, John <js@x.org>"},
        {"joe@x.org (Joe Q)", "Joe Q <joe@x.org>"},
        // A name of punctuation only is no name; the address stays.
        {". <user@example.com>", " <user@example.com>"},
        // An address written to hide it, its name in a comment.
        {"test at example.com (Dummy Person)", "Dummy Person <test@example.com>"},
        {"Dummy Person <test at example.com>", "Dummy Person <test@example.com>"},
        // One bad mailbox among good ones costs nothing of the others.
        {"Joe <joe@x.org>, . <u@e.com>, Ann <ann@x.org>",
         "Joe <joe@x.org> |  <u@e.com> | Ann <ann@x.org>"},
        // Words without an address are a name alone; an obsolete route goes.
        {"Jane Doe", "Jane Doe <>"},
        {"Bob <@relay.x:bob@x.org>", "Bob <bob@x.org>"},
        {"\"Q. Public\" <q@x.org>, <>, ;", "Q. Public <q@x.org>"},
        // Encoded names survive the recovery.
        {"=?UTF-8?Q?J=C3=BCrgen?= <j at x.de>", "Jürgen <j@x.de>"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(shown(parseAddressList(r.raw, nullptr, UndeclaredCharsets())), r.mailboxes)
            << r.raw;
    }
}

// A thread keeps the lists it read last. The same bytes read under other charsets are
// another list, however often the two come in turn.
TEST(AddressRecovery, AListReadAgainIsTheOneItsCharsetsGive) {
    g_mime_init();
    const std::string raw = "J\xf6rg <j@x.de>, \xe1\xcf\xd2 <a@x.ru>";  // 8-bit, undeclared
    const UndeclaredCharsets latin1({"iso-8859-1"});
    const UndeclaredCharsets koi8({"koi8-r"});
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(shown(parseAddressList(raw, nullptr, latin1)),
                  "J\u00f6rg <j@x.de> | \u00e1\u00cf\u00d2 <a@x.ru>")
            << round;
        EXPECT_EQ(shown(parseAddressList(raw, nullptr, koi8)),
                  "J\u0416rg <j@x.de> | \u0410\u043e\u0440 <a@x.ru>")
            << round;
    }
}

TEST(AddressRecovery, SenderAndRecipientsOfAMessage) {
    const auto m = importText(
        "From: . <user@example.com>\r\nTo: test at example.com (Dummy Person), ok@x.org\r\n"
        "Subject: s\r\n\r\nbody\r\n");
    EXPECT_EQ(str(m.props, tag::kSenderEmailAddress), "user@example.com");
    EXPECT_EQ(str(m.props, tag::kSenderName), "user@example.com");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingSmtpAddress), "user@example.com");
    ASSERT_EQ(m.recipients.size(), 2u);
    EXPECT_EQ(str(m.recipients[0].props, tag::kDisplayName), "Dummy Person");
    EXPECT_EQ(str(m.recipients[0].props, tag::kEmailAddress), "test@example.com");
    EXPECT_EQ(str(m.recipients[1].props, tag::kEmailAddress), "ok@x.org");
    EXPECT_EQ(str(m.props, tag::kDisplayTo), "Dummy Person; ok@x.org");
}

}  // namespace
}  // namespace tolvane::mime::test
