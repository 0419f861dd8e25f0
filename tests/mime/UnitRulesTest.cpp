// Small rules with their own files: RFC 3676 unflowing, CRLF, HTML meta rewriting and
// text rendering, RFC 2231 parameter joining, subject splitting.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>
#include <utility>

#include "mime/ContentParams.h"
#include "mime/HeaderText.h"
#include "mime/Html.h"
#include "mime/PlainText.h"

namespace tolvane::mime::test {
namespace {

// Each input with what it must become.
using Cases = std::initializer_list<std::pair<std::string_view, std::string_view>>;

TEST(LineEnds, EveryBreakBecomesCrlf) {
    for (const auto& [in, out] : Cases{{"a\nb\rc\r\nd\n\re", "a\r\nb\r\nc\r\nd\r\n\r\ne"},
                                       {"\r\r\n\n", "\r\n\r\n\r\n"},
                                       {"first line\nsecond\r", "first line\r\nsecond\r\n"},
                                       {"\n", "\r\n"},
                                       {"no break at all", "no break at all"},
                                       {"as sent\r\nalready\r\n", "as sent\r\nalready\r\n"}}) {
        EXPECT_EQ(toCrlf(in), out) << in;
    }
}

TEST(Unfold, AFieldLosesItsBreaksAndTheBlanksAtItsEnds) {
    for (const auto& [in, out] :
         Cases{{"  Weekly report\r\n for\r\n\tMarch  ", "Weekly report for\tMarch"},
               {"\r\n value", "value"},
               {"value\n\n", "value"},
               {"a\rb\nc", "abc"},
               {" \r\n\t", ""},
               {"", ""}}) {
        EXPECT_EQ(unfold(in), out) << in;
    }
}

TEST(Unflow, SoftBreaksJoinHardBreaksStay) {
    EXPECT_EQ(unflow("a \nb \nc\nd", false), "a b c\r\nd");
    EXPECT_EQ(unflow("a \n\nb", false), "a \r\nb");  // an empty line ends the paragraph
    EXPECT_EQ(unflow("> a \n>> b", false), "> a \r\n>> b");
    EXPECT_EQ(unflow("  lead", false), " lead");
}

TEST(HtmlMeta, DeclarationsRewrittenAndFound) {
    const std::string html =
        "<META charset='iso-8859-2'><meta content=\"text/html; charset=big5\">";
    EXPECT_EQ(metaCharset(html), "iso-8859-2");
    EXPECT_EQ(rewriteMetaCharset(html, "utf-8"),
              "<META charset='utf-8'><meta content=\"text/html; charset=utf-8\">");
    EXPECT_FALSE(metaCharset("<p>charset=x</p>").has_value());
}

TEST(HtmlText, TagsScriptsEntitiesAndBlocks) {
    EXPECT_EQ(htmlToText("<html><head><title>t</title><style>p{}</style></head><body>"
                         "<p>One&nbsp;&amp;&#x263A;&#9731;</p><script>x()</script>"
                         "<div>Two   spaced\r\nwords</div><br>end<!-- c --></body></html>"),
              "One\xC2\xA0&☺☃\r\nTwo spaced words\r\n\r\nend");
}

TEST(ContentParameters, Rfc2231SectionsInAnyOrderAndGaps) {
    const auto p = parseContentParams(
        "Attachment; filename*1=\"b\"; filename*0=\"a\"; filename*3=\"lost\"; size=12",
        UndeclaredCharsets());
    EXPECT_EQ(p.value, "attachment");
    EXPECT_EQ(p.get("filename"), "ab");
    EXPECT_EQ(p.get("size"), "12");
    const auto both =
        parseContentParams("text/plain; name=\"plain\"; name*=utf-8''%C3%A9", UndeclaredCharsets());
    EXPECT_EQ(both.get("name"), "é");  // the RFC 2231 form wins
    const auto escaped = parseContentParams("a/b; name=\"q\\\"uote;d\"; x=1", UndeclaredCharsets());
    EXPECT_EQ(escaped.get("name"), "q\"uote;d");
    EXPECT_EQ(escaped.get("x"), "1");
}

}  // namespace
}  // namespace tolvane::mime::test
