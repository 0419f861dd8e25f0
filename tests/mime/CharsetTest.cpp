// Charsets (RFC 2047, RFC 2231, MS-OXCMAIL): our own decoding loop over iconv, with
// aliases, U+FFFD for undecodable bytes, and the UTF-8-else-windows-1252 rule.

#include <gtest/gtest.h>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/Charset.h"
#include "mime/HeaderText.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

TEST(CharsetDecoding, AliasesMapToWhatMailClientsDecode) {
    struct Row {
        const char* charset;
        const char* bytes;
        const char* utf8;
        int codePage;
    } rows[] = {
        {"ks_c_5601-1987", "\xC7\xD1\xB1\xDB", "한글", 949},
        {"GB2312", "\xD6\xD0\xCE\xC4", "中文", 54936},
        {"gb18030", "\xD6\xD0\xCE\xC4\xA8\xA6", "中文é", 54936},
        {"\"UTF8\"",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         "Grüße", 65001},
        {"iso-8859-8-i", "\xF9\xDC\xE5\xED", "ש\xEF\xBF\xBDום", 28598},
        {"latin1", "\x80 caf\xE9", "€ café", 28591},
        {"windows-1251", "\xCF\xF0\xE8", "При", 1251},
        {"koi8-r", "\xF0\xD2\xC9", "При", 20866},
        // Narrow sets decode by the superset mail clients use (the WHATWG Encoding Standard,
        // Windows' code pages); the label keeps its code page.
        {"gb2312", "\xD6\xEC\xE9\x46", "朱镕", 54936},  // the second is GBK only
        {"GB_2312-80", "\xD6\xD0", "中", 54936},        // iconv's bare 94x94 set otherwise
        {"euc-kr", "\x8C\x63", "똠", 51949},            // cp949 only
        {"shift_jis", "\x87\x40", "①", 932},            // cp932 only
        {"iso-8859-9", "\x80\xDD", "€İ", 28599},        // windows-1254's 0x80
        {"latin5", "\x80", "€", 28599},
        {"l1", "\x93q\x94", "“q”", 28591},
        {"ANSI_X3.110-1983", "caf\xE9", "café", 1252},  // a teletext set's name on Latin-1
    };
    for (const auto& r : rows) {
        const auto d = decodeCharset(r.bytes, r.charset);
        ASSERT_TRUE(d.has_value()) << r.charset;
        EXPECT_EQ(d->utf8, r.utf8) << r.charset;
        EXPECT_EQ(d->codePage, r.codePage) << r.charset;
    }
}

TEST(CharsetDecoding, InvalidBytesBecomeReplacementAndAreCounted) {
    const auto d = decodeCharset(
        "ok\xFF\xFE"
        "end",
        "utf-8");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->utf8,
              "ok\xEF\xBF\xBD\xEF\xBF\xBD"
              "end");
    EXPECT_EQ(d->replaced, 2u);
    // Shift_JIS lead byte with an invalid trail: one replacement, then the rest survives.
    const auto sj = decodeCharset(
        "\x82\xA0\x82"
        "A\x82\xA2",
        "shift_jis");
    ASSERT_TRUE(sj);
    EXPECT_EQ(sj->utf8,
              "あ\xEF\xBF\xBD"
              "Aい");
    // Truncated multibyte tail.
    const auto t = decodeCharset("ab\xE6\x97", "utf-8");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->utf8, "ab\xEF\xBF\xBD\xEF\xBF\xBD");
#if defined(__GLIBC__)
    // Names glibc's iconv takes for UTF-8 but copies through unchecked: F4 BC starts no
    // sequence.
    for (const char* name : {"utf-8//", "ISO-10646/UTF8/"}) {
        const auto copied = decodeCharset("a\xF4\xBC\x90\x95z", name);
        ASSERT_TRUE(copied) << name;
        EXPECT_EQ(copied->utf8, "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz") << name;
        EXPECT_EQ(copied->replaced, 4u) << name;
    }
#endif
}

TEST(CharsetDecoding, UnknownCharsetFallsBackWithoutLosingBytes) {
    EXPECT_FALSE(decodeCharset("x", "x-no-such-charset").has_value());
    EXPECT_FALSE(decodeCharset("x", "utf-8\xBE").has_value());  // a byte no name holds
    const auto utf8 = decodeText(
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        "x-no-such-charset", UndeclaredCharsets());
    EXPECT_EQ(utf8.utf8, "Grüße");
    EXPECT_EQ(utf8.codePage, 65001);
    const auto cp1252 = decodeText(
        "Gr\xFC\xDF"
        "e \x93q\x94 \x81",
        "x-no-such-charset", UndeclaredCharsets());
    EXPECT_EQ(cp1252.utf8, "Grüße “q” \xC2\x81");
    EXPECT_EQ(cp1252.codePage, 1252);
}

TEST(CharsetDecoding, NulBecomesReplacement) {
    EXPECT_EQ(replaceNul(std::string("a\0b", 3)),
              "a\xEF\xBF\xBD"
              "b");
}

// RFC 2047 words in unstructured headers, including the joining rules of §6.2.
TEST(HeaderWords, QAndBWordsAndRawEightBit) {
    struct Row {
        const char* raw;
        const char* decoded;
    } rows[] = {
        {"=?ISO-8859-1?Q?Caf=E9_cr=E8me?=", "Café crème"},
        {"=?UTF-8?B?R3LDtsOfZSDigqw=?=", "Größe €"},
        {"=?utf-8?q?a?= =?utf-8?q?b?=", "ab"},
        {"=?utf-8?q?a?=\r\n =?utf-8?q?b?= c", "ab c"},
        {"x =?utf-8?q?a?= y", "x a y"},
        // A character split across two words of one charset survives.
        {"=?UTF-8?B?5pel?= =?UTF-8?B?5pys?=", "日本"},
        {"=?UTF-8?B?5pc=?= =?UTF-8?B?pQ==?=", "日"},
        {"=?iso-2022-jp?B?GyRCRnxLXDhsJUYlOSVIGyhC?=", "日本語テスト"},
        {"=?GB18030?B?1tDOxKim?=", "中文é"},
        {"=?x-unknown?Q?Gr=C3=BC=C3=9Fe?=", "Grüße"},
        {"=?x-unknown?Q?Gr=FC=DFe?=", "Grüße"},
        {"=?utf-8*de?Q?Stra=C3=9Fe?=", "Straße"},
        {"=?utf-8?B?not*base64?=", "=?utf-8?B?not*base64?="},
        {"raw Gr\xC3\xBC\xC3\x9F"
         "e",
         "raw Grüße"},
        {"raw Gr\xFC\xDF"
         "e",
         "raw Grüße"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(decodeHeaderText(r.raw, UndeclaredCharsets()), r.decoded) << r.raw;
}

TEST(HeaderWords, EveryStringSourceDecodesInAMessage) {
    const auto m = importText(
        "From: =?GB18030?B?1tDOxA==?= <zh@x.cn>\r\n"
        "To: \"=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\" <jp@x.jp>, M\xC3\xBCller <mu@x.de>,"
        " Fran\xE7ois <fr@x.fr>\r\n"
        "Subject: =?x-mystery?Q?caf=C3=A9?= and =?windows-1252?Q?=93quoted=94?=\r\n\r\nx\r\n");
    EXPECT_EQ(str(m.props, tag::kSentRepresentingName), "中文");
    ASSERT_EQ(m.recipients.size(), 3u);
    EXPECT_EQ(str(m.recipients[0].props, tag::kDisplayName), "日本語");
    EXPECT_EQ(str(m.recipients[1].props, tag::kDisplayName), "Müller");
    EXPECT_EQ(str(m.recipients[2].props, tag::kDisplayName), "François");
    EXPECT_EQ(str(m.props, tag::kSubject), "café and “quoted”");
}

TEST(BodyCharsets, GbAndUnknownAndUndeclaredBodies) {
    const auto gb =
        importText("Content-Type: text/plain; charset=gb2312\r\n\r\n\xD6\xD0\xCE\xC4\r\n");
    EXPECT_EQ(str(gb.props, tag::kBody), "中文\r\n");
    EXPECT_EQ(num(gb.props, tag::kInternetCodepage), 54936);

    const auto unknown = importText(
        "Content-Type: text/plain; charset=x-bogus\r\n\r\nna\xEF\xBF\xBD ve \xC3\xA9\r\n");
    EXPECT_EQ(str(unknown.props, tag::kBody), "na\xEF\xBF\xBD ve é\r\n");
    EXPECT_EQ(num(unknown.props, tag::kInternetCodepage), 65001);

    const auto undeclared = importText("Subject: x\r\n\r\nna\xEFve \x80\r\n");
    EXPECT_EQ(str(undeclared.props, tag::kBody), "naïve €\r\n");
    EXPECT_EQ(num(undeclared.props, tag::kInternetCodepage), 1252);

    const auto ascii = importText("Content-Type: text/plain; charset=us-ascii\r\n\r\nplain\r\n");
    EXPECT_EQ(num(ascii.props, tag::kInternetCodepage), 20127);
}

}  // namespace
}  // namespace tolvane::mime::test
