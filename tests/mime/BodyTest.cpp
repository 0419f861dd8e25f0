// Bodies (MS-OXCMAIL, RFC 3676): which part is the body, how plain and HTML are stored,
// format=flowed and line ends.

#include <gtest/gtest.h>

#include "ImportHelpers.h"
#include "mapi/Tags.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

std::string mimeTagOf(const mapi::Attachment& a) {
    return str(a.props, tag::kAttachMimeTag);
}

// §2.1 body choice across alternative / related / mixed / signed.
TEST(BodyChoice, AlternativePrefersHtmlAndKeepsPlainForBody) {
    const auto m = importText(
        "Subject: s\r\nContent-Type: multipart/alternative; boundary=alt\r\n\r\n"
        "--alt\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>Hi <b>there</b></p>\r\n"
        "--alt\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nHi there (plain)\r\n"
        "--alt--\r\n");
    EXPECT_EQ(bin(m.props, tag::kHtml), "<p>Hi <b>there</b></p>");
    EXPECT_EQ(str(m.props, tag::kBody), "Hi there (plain)");
    EXPECT_EQ(num(m.props, tag::kNativeBody), 3);
    EXPECT_EQ(num(m.props, tag::kInternetCodepage), 65001);
    EXPECT_TRUE(m.attachments.empty());
}

// An HTML alternative with nothing to show must not hide the text: the item would open blank.
TEST(BodyChoice, EmptyHtmlAlternativeDoesNotHideThePlainText) {
    const auto alternative = [](const std::string& html) {
        return importText(
            "Content-Type: multipart/alternative; boundary=a\r\n\r\n--a\r\n"
            "Content-Type: text/plain\r\n\r\nthe text\r\n--a\r\nContent-Type: text/html\r\n\r\n" +
            html + "\r\n--a--\r\n");
    };
    for (const char* empty :
         {"", "<html><body>  </body></html>",
          "<html><head><style>p {}</style></head><body>&nbsp;<br></body></html>"}) {
        const auto m = alternative(empty);
        EXPECT_EQ(str(m.props, tag::kBody), "the text") << empty;
        EXPECT_FALSE(m.props.has(tag::kHtml)) << empty;
        EXPECT_EQ(num(m.props, tag::kNativeBody), 1) << empty;
    }
    // Something to see, even an image alone, keeps the HTML.
    for (const char* shown : {"<p>x</p>", "<img src=\"cid:logo\">"}) {
        const auto m = alternative(shown);
        EXPECT_TRUE(m.props.has(tag::kHtml)) << shown;
        EXPECT_EQ(num(m.props, tag::kNativeBody), 3) << shown;
        EXPECT_EQ(str(m.props, tag::kBody), "the text") << shown;
    }
}

TEST(BodyChoice, MixedWithAlternativeFirstAndRelatedInside) {
    const auto m = importText(
        "Content-Type: multipart/mixed; boundary=mix\r\n\r\n"
        "--mix\r\nContent-Type: multipart/alternative; boundary=alt\r\n\r\n"
        "--alt\r\nContent-Type: text/plain\r\n\r\nplain text\r\n"
        "--alt\r\nContent-Type: multipart/related; boundary=rel\r\n\r\n"
        "--rel\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:logo@x\">html\r\n"
        "--rel\r\nContent-Type: image/png\r\nContent-ID: <logo@x>\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\niVBORw0K\r\n"
        "--rel--\r\n--alt--\r\n"
        "--mix\r\nContent-Type: application/pdf; name=doc.pdf\r\n\r\n%PDF-1.4\r\n"
        "--mix--\r\n");
    EXPECT_EQ(bin(m.props, tag::kHtml), "<img src=\"cid:logo@x\">html");
    EXPECT_EQ(str(m.props, tag::kBody), "plain text");
    ASSERT_EQ(m.attachments.size(), 2u);
    EXPECT_EQ(mimeTagOf(m.attachments[0]), "image/png");
    EXPECT_EQ(mimeTagOf(m.attachments[1]), "application/pdf");
}

TEST(BodyChoice, TextMarkedAttachmentIsNotTheBody) {
    const auto m = importText(
        "Content-Type: text/plain\r\nContent-Disposition: attachment; filename=notes.txt\r\n\r\n"
        "attached text\r\n");
    EXPECT_FALSE(m.props.has(tag::kBody));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachLongFilename), "notes.txt");
}

TEST(BodyChoice, LaterTextPartsInMixedAreAttachmentsAndCalendarStaysAnAttachment) {
    const auto m = importText(
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nfirst\r\n"
        "--b\r\nContent-Type: text/html\r\n\r\n<p>second</p>\r\n"
        "--b\r\nContent-Type: text/calendar; method=REQUEST\r\n\r\nBEGIN:VCALENDAR\r\n"
        "--b\r\nContent-Type: application/ms-tnef; name=winmail.dat\r\n\r\nx\x9f\r\n"
        "--b--\r\n");
    EXPECT_EQ(str(m.props, tag::kBody), "first");
    EXPECT_EQ(str(m.props, tag::kMessageClass), "IPM.Note");
    ASSERT_EQ(m.attachments.size(), 3u);
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachLongFilename), "ATT00001.htm");
    EXPECT_EQ(str(m.attachments[1].props, tag::kAttachLongFilename), "ATT00002.ics");
    EXPECT_EQ(mimeTagOf(m.attachments[1]), "text/calendar");
    EXPECT_EQ(str(m.attachments[2].props, tag::kAttachLongFilename), "winmail.dat");
    EXPECT_EQ(mimeTagOf(m.attachments[2]), "application/ms-tnef");
    EXPECT_EQ(num(m.attachments[2].props, tag::kAttachMethod), 1);
}

TEST(BodyChoice, RelatedStartParameterNamesTheRoot) {
    const auto m = importText(
        "Content-Type: multipart/related; boundary=r; start=\"<root@x>\"\r\n\r\n"
        "--r\r\nContent-Type: image/png\r\nContent-ID: <img@x>\r\n\r\nPNG\r\n"
        "--r\r\nContent-Type: text/html\r\nContent-ID: <root@x>\r\n\r\n<img src=cid:img@x>\r\n"
        "--r--\r\n");
    EXPECT_EQ(bin(m.props, tag::kHtml), "<img src=cid:img@x>");
    EXPECT_EQ(str(m.props, tag::kBody), "");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_TRUE(m.attachments[0].props.get(tag::kAttachmentHidden)->asBool());
}

// §2.2 HTML stored as UTF-8 with code page 65001 and an agreeing <meta> charset.
TEST(HtmlBody, TranscodedToUtf8WithAgreeingMeta) {
    const auto m = importText(
        "Content-Type: text/html; charset=windows-1252\r\nContent-Transfer-Encoding: "
        "quoted-printable\r\n\r\n"
        "<html><head><meta http-equiv=3D\"Content-Type\" content=3D\"text/html; "
        "charset=3Dwindows-1252\"></head><body>caf=E9 =80 &amp; more</body></html>\r\n");
    EXPECT_EQ(bin(m.props, tag::kHtml),
              "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=utf-8\"></head><body>café € &amp; more</body></html>\r\n");
    EXPECT_EQ(num(m.props, tag::kInternetCodepage), 65001);
    EXPECT_EQ(str(m.props, tag::kBody), "café € & more");
}

TEST(HtmlBody, MetaCharsetUsedWhenTheHeaderHasNone) {
    const auto m = importText(
        "Content-Type: text/html\r\n\r\n"
        "<meta charset=\"koi8-r\"><p>\xF0\xD2\xC9\xD7\xC5\xD4</p><br>line two\r\n");
    EXPECT_EQ(bin(m.props, tag::kHtml), "<meta charset=\"utf-8\"><p>Привет</p><br>line two\r\n");
    // </p> ends the line, <br> adds an empty one, as a browser shows it.
    EXPECT_EQ(str(m.props, tag::kBody), "Привет\r\n\r\nline two");
}

TEST(HtmlBody, EnrichedBecomesHtml) {
    const auto m = importText(
        "Content-Type: text/enriched\r\n\r\n<bold>Now</bold> is <<the> time\r\n\r\nnext\r\n");
    EXPECT_EQ(bin(m.props, tag::kHtml),
              "<html><body><b>Now</b> is &lt;the&gt; time<br>\r\nnext </body></html>");
    EXPECT_EQ(num(m.props, tag::kNativeBody), 3);
}

// §2.2 plain body: charset decoded, code page of the charset, native body 1, CRLF.
TEST(PlainBody, CodePageOfCharsetAndCrlf) {
    const auto m = importText(
        "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n"
        "\x1b$BF|K\\8l%F%9%H\x1b(B\nline2\rline3\r\n");
    EXPECT_EQ(str(m.props, tag::kBody), "日本語テスト\r\nline2\r\nline3\r\n");
    EXPECT_EQ(num(m.props, tag::kInternetCodepage), 50220);
    EXPECT_EQ(num(m.props, tag::kNativeBody), 1);
    EXPECT_FALSE(m.props.has(tag::kHtml));
}

// §2.5 format=flowed (RFC 3676 §4).
TEST(FormatFlowed, UnflowsByQuoteDepthAndDelsp) {
    const auto m = importText(
        "Content-Type: text/plain; charset=utf-8; format=flowed\r\n\r\n"
        "This is a \r\nflowed para.\r\n>quoted \r\n>more\r\n>>deeper\r\n"
        " >stuffed\r\n-- \r\nsig\r\n");
    EXPECT_EQ(str(m.props, tag::kBody),
              "This is a flowed para.\r\n> quoted more\r\n>> deeper\r\n>stuffed\r\n-- \r\nsig\r\n");
    const auto d =
        importText("Content-Type: text/plain; format=flowed; delsp=yes\r\n\r\nJapa \r\nnese\r\n");
    EXPECT_EQ(str(d.props, tag::kBody), "Japanese\r\n");
}

TEST(PlainBody, BoundaryLessMultipartKeepsItsTextAsBody) {
    const auto m = importText(
        "Content-Type: multipart/mixed; boundary=\"never\"\r\n\r\nthe only text\r\nhere\r\n");
    EXPECT_EQ(str(m.props, tag::kBody), "the only text\r\nhere\r\n");
    EXPECT_TRUE(m.attachments.empty());
}

}  // namespace
}  // namespace tolvane::mime::test
