#pragma once

// HTML body helpers: the charset a document declares, making that declaration agree with
// the bytes we store, a plain-text rendering for PidTagBody, and text/enriched to HTML.

#include <optional>
#include <string>
#include <string_view>

namespace tolvane::mime {

// The charset of the first <meta charset=...> or <meta http-equiv content="...charset=...">.
std::optional<std::string> metaCharset(std::string_view html);

// Every charset declaration in a <meta> tag rewritten to `charset`.
std::string rewriteMetaCharset(std::string_view html, std::string_view charset);

// Tags dropped (script/style content too), block ends as line breaks, entities decoded.
std::string htmlToText(std::string_view html);

// RFC 1896 text/enriched to a small HTML document.
std::string enrichedToHtml(std::string_view enriched);

}  // namespace tolvane::mime
