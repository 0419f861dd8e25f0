// 8-bit text that names no charset (raw header bytes, file names, names in addresses) is
// read as valid UTF-8, else in a charset the message declares for its text parts, else in
// the user's fallback (the command line's --charset, else the locale's), else windows-1252.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/Charset.h"
#include "mime/FallbackCharset.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

std::string mail(const std::string& charset, const std::string& name, const std::string& subject,
                 const std::string& file) {
    return "From: " + name + " <a@x.org>\r\nSubject: " + subject +
           "\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
           "Content-Type: text/plain" +
           (charset.empty() ? "" : "; charset=" + charset) +
           "\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + subject +
           "\r\n--b\r\nContent-Type: application/octet-stream\r\n"
           "Content-Disposition: attachment; filename=\"" +
           file + "\"\r\n\r\nx\r\n--b--\r\n";
}

struct Expected {
    const char* name;
    const char* subject;
    const char* file;
};

void expectDecoded(const mapi::Message& m, const Expected& e, const std::string& why) {
    EXPECT_EQ(str(m.props, tag::kSenderName), e.name) << why;
    EXPECT_EQ(str(m.props, tag::kSubject), e.subject) << why;
    ASSERT_EQ(m.attachments.size(), 1u) << why;
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachLongFilename), e.file) << why;
}

// Raw header bytes in the charset of the message's own text part, for the charsets of the
// mail Zimbra users send most; Shift_JIS and Big5 put ASCII letters in their second bytes.
TEST(UndeclaredCharsets, RawHeadersReadInTheCharsetTheMessageDeclares) {
    struct Row {
        const char* charset;
        const char* name;
        const char* subject;
        const char* file;
        Expected expected;
    } rows[] = {
        {"gb2312",
         "\xD5\xC5\xC8\xFD",
         "\xD3\xCA\xBC\xFE\xB4\xAB\xCA\xE4\xCA\xA7\xB0\xDC\xA3\xA1",
         "\xB8\xB1\xB1\xBE.txt",
         {"张三", "邮件传输失败！", "副本.txt"}},
        {"big5",
         "\xB3\xAF\xA4\x6A\xA4\xE5",
         "\xB4\xFA\xB8\xD5\xB6\x6C\xA5\xF3",
         "\xAA\xFE\xA5\xF3.txt",
         {"陳大文", "測試郵件", "附件.txt"}},
        {"shift_jis",
         "\x8E\x52\x93\x63\x91\xBE\x98\x59",
         "\x83\x65\x83\x58\x83\x67\x91\x97\x90\x4D",
         "\x8E\x91\x97\xBF.txt",
         {"山田太郎", "テスト送信", "資料.txt"}},
        {"euc-kr",
         "\xC8\xAB\xB1\xE6\xB5\xBF",
         "\xC5\xD7\xBD\xBA\xC6\xAE \xB8\xDE\xC0\xCF",
         "\xC3\xB7\xBA\xCE.txt",
         {"홍길동", "테스트 메일", "첨부.txt"}},
        {"koi8-r",
         "\xE9\xD7\xC1\xCE",
         "\xF0\xD2\xC9\xD7\xC5\xD4 \xCD\xC9\xD2",
         "\xC6\xC1\xCA\xCC.txt",
         {"Иван", "Привет мир", "файл.txt"}},
        {"windows-1251",
         "\xC8\xE2\xE0\xED",
         "\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0",
         "\xF4\xE0\xE9\xEB.txt",
         {"Иван", "Привет мир", "файл.txt"}},
    };
    for (const auto& r : rows) {
        const auto m = importText(mail(r.charset, r.name, r.subject, r.file));
        expectDecoded(m, r.expected, r.charset);
        EXPECT_EQ(str(m.props, tag::kBody), r.expected.subject) << r.charset;
    }
}

TEST(UndeclaredCharsets, TheOrderOfTheRule) {
    // Valid UTF-8 before any declared charset.
    expectDecoded(importText(mail("gb2312", "Zoë", "Grüße", "Bericht über.txt")),
                  {"Zoë", "Grüße", "Bericht über.txt"}, "utf-8 first");
    // A declared charset that cannot read the bytes is passed over: windows-1252.
    expectDecoded(importText(mail("shift_jis", "Ren\xE9", "caf\xE9", "r\xE9sum\xE9.txt")),
                  {"René", "café", "résumé.txt"}, "shift_jis refuses them");
    // Multibyte charsets are tried before single-byte ones, which read anything.
    const auto both = importText(
        "Subject: \xB8\xB1\xB1\xBE\r\nContent-Type: multipart/alternative; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\nx\r\n"
        "--b\r\nContent-Type: text/html; charset=gb2312\r\n\r\n<p>x</p>\r\n--b--\r\n");
    EXPECT_EQ(str(both.props, tag::kSubject), "副本");
    // An attached message's own text parts first, then the message holding it.
    const auto outer = importText(
        "Subject: outer\r\nContent-Type: multipart/mixed; boundary=o\r\n\r\n"
        "--o\r\nContent-Type: text/plain; charset=koi8-r\r\n\r\nx\r\n"
        "--o\r\nContent-Type: message/rfc822\r\n\r\n"
        "Subject: \xF0\xD2\xC9\xD7\xC5\xD4\r\n\r\nno charset of its own\r\n--o--\r\n");
    ASSERT_EQ(outer.attachments.size(), 1u);
    ASSERT_TRUE(outer.attachments[0].embedded);
    EXPECT_EQ(str(outer.attachments[0].embedded->props, tag::kSubject), "Привет");
}

// Nothing declared: the user's fallback, from the command line, before windows-1252.
TEST(UndeclaredCharsets, TheUsersFallbackBeforeWindows1252) {
    const std::string eml =
        mail("", "\xE9\xD7\xC1\xCE", "\xF0\xD2\xC9\xD7\xC5\xD4", "\xC6\xC1\xCA\xCC.txt");
    const auto koi8 = importText(eml, {checkedCharset("KOI8-R")});
    expectDecoded(koi8, {"Иван", "Привет", "файл.txt"}, "--charset koi8-r");
    EXPECT_EQ(str(koi8.props, tag::kBody), "Привет");  // the part declares none either
#if !defined(_WIN32)  // Windows takes its fallback from the ANSI code page, not the locale
    // With no fallback set and a locale that names none: windows-1252.
    const char* lcAll = std::getenv("LC_ALL");
    const std::string saved = lcAll ? lcAll : "";
    setenv("LC_ALL", "C", 1);
    ASSERT_EQ(fallbackCharset(""), "");
    expectDecoded(importText(eml), {"é×ÁÎ", "ðÒÉ×ÅÔ", "ÆÁÊÌ.txt"}, "windows-1252");
    // A Russian locale gives windows-1251, where these bytes read otherwise.
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    EXPECT_EQ(fallbackCharset(""), "windows-1251");
    EXPECT_EQ(fallbackCharset("koi8-r"), "koi8-r");
    EXPECT_EQ(str(importText(eml).props, tag::kSubject), "рТЙЧЕФ");
    if (lcAll)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
#endif
    EXPECT_THROW(checkedCharset("x-no-such-charset"), std::invalid_argument);
    EXPECT_EQ(checkedCharset(""), "");
}

TEST(UndeclaredCharsets, TheLocalesLegacyCharset) {
    struct Row {
        const char* locale;
        const char* charset;
    } rows[] = {
        {"zh_CN.UTF-8", "gb18030"},
        {"zh_TW.UTF-8", "big5"},
        {"zh_HK", "big5"},
        {"ja_JP.UTF-8", "shift_jis"},
        {"ko_KR.utf8", "cp949"},
        {"ru_RU.UTF-8", "windows-1251"},
        {"uk_UA", "windows-1251"},
        {"pl_PL.UTF-8", "windows-1250"},
        {"el_GR", "windows-1253"},
        {"ru_RU.KOI8-R", "koi8-r"},
        {"zh_CN.GB2312", "gb18030"},
        {"ja_JP.eucJP", "euc-jp"},
        {"de_DE.UTF-8", ""},
        {"en_US.ISO-8859-1", ""},
        {"sr_RS@latin", "windows-1251"},
        {"C", ""},
        {"", ""},
        {"zhx_CN", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(localeCharset(r.locale), r.charset) << '"' << r.locale << '"';
}

}  // namespace
}  // namespace tolvane::mime::test
