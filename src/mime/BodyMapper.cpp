#include "mime/BodyMapper.h"

#include <strings.h>

#include "mapi/Tags.h"
#include "mime/Charset.h"
#include "mime/Html.h"
#include "mime/PartData.h"
#include "mime/PartInfo.h"
#include "mime/PlainText.h"

namespace tolvane::mime {

namespace {

using mapi::PropValue;

constexpr std::int32_t kNativePlain = 1;
constexpr std::int32_t kNativeHtml = 3;
constexpr std::int32_t kUtf8CodePage = 65001;

bool isYes(const std::optional<std::string>& v) {
    return v && strcasecmp(v->c_str(), "yes") == 0;
}

struct Text {
    std::string utf8;
    int codePage = 0;
};

Text plainText(GMimePart* part, PartInfoCache& infos) {
    const PartInfo& info = infos.get(GMIME_OBJECT(part));
    const DecodedText d =
        decodeText(decodedBytes(part), info.type.get("charset").value_or(""), infos.undeclared());
    std::string text = d.utf8;
    if (auto format = info.type.get("format");
        format && strcasecmp(format->c_str(), "flowed") == 0) {
        text = unflow(text, isYes(info.type.get("delsp")));
    }
    return {replaceNul(toCrlf(text)), d.codePage ? d.codePage : kUtf8CodePage};
}

// HTML decoded from its declared charset, else its own <meta> declaration when we know
// that charset, else the undeclared rule.
std::string htmlText(GMimePart* part, PartInfoCache& infos) {
    const PartInfo& info = infos.get(GMIME_OBJECT(part));
    const std::string bytes = decodedBytes(part);
    std::string charset = info.type.get("charset").value_or("");
    if (charset.empty() || !decodeCharset("", charset)) {
        if (auto meta = metaCharset(bytes); meta && decodeCharset("", *meta))
            charset = *meta;
    }
    return decodeText(bytes, charset, infos.undeclared()).utf8;
}

bool blank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\xC2\xA0") == std::string_view::npos;
}

// An HTML alternative with nothing to show (no text, no image) must not hide a plain one:
// the item would open blank. Such parts are small; larger ones are not rendered to find out.
bool showsNothing(const std::string& html) {
    constexpr std::size_t kLargestEmpty = 64 * 1024;
    if (html.size() > kLargestEmpty)
        return false;
    for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
        if (strncasecmp(html.c_str() + at, "<img", 4) == 0)
            return false;
    }
    return blank(htmlToText(html));
}

void setHtml(std::string html, mapi::Message& msg) {
    html = replaceNul(toCrlf(rewriteMetaCharset(html, "utf-8")));
    msg.props.set(mapi::tag::kHtml, PropValue::binary(mapi::Bytes(html.begin(), html.end())));
    msg.props.set(mapi::tag::kInternetCodepage, PropValue::int32(kUtf8CodePage));
    msg.props.set(mapi::tag::kNativeBody, PropValue::int32(kNativeHtml));
}

}  // namespace

std::string mapBody(const BodyChoice& choice, mapi::Message& msg, PartInfoCache& infos) {
    std::string html;
    if (choice.html) {
        html = htmlText(choice.html, infos);
    } else if (choice.enriched) {
        const PartInfo& info = infos.get(GMIME_OBJECT(choice.enriched));
        html = enrichedToHtml(decodeText(decodedBytes(choice.enriched),
                                         info.type.get("charset").value_or(""), infos.undeclared())
                                  .utf8);
    }
    const bool plainOnly = (choice.html || choice.enriched) && choice.plain && showsNothing(html) &&
                           !blank(plainText(choice.plain, infos).utf8);
    if (!plainOnly && (!html.empty() || choice.html || choice.enriched)) {
        setHtml(html, msg);
        const std::string body = choice.plain ? plainText(choice.plain, infos).utf8
                                              : replaceNul(toCrlf(htmlToText(html)));
        msg.props.set(mapi::tag::kBody, PropValue::unicode(body));
        return html;
    }
    if (choice.plain) {
        const Text t = plainText(choice.plain, infos);
        msg.props.set(mapi::tag::kBody, PropValue::unicode(t.utf8));
        msg.props.set(mapi::tag::kInternetCodepage, PropValue::int32(t.codePage));
        msg.props.set(mapi::tag::kNativeBody, PropValue::int32(kNativePlain));
    } else if (choice.prologue) {
        const DecodedText d =
            infos.undeclared().decode(g_mime_multipart_get_prologue(choice.prologue));
        msg.props.set(mapi::tag::kBody, PropValue::unicode(replaceNul(toCrlf(d.utf8))));
        msg.props.set(mapi::tag::kInternetCodepage, PropValue::int32(d.codePage));
        msg.props.set(mapi::tag::kNativeBody, PropValue::int32(kNativePlain));
    }
    return {};
}

}  // namespace tolvane::mime
