#include "mime/TransportHeaders.h"

#include <strings.h>

#include "mime/Charset.h"
#include "mime/PlainText.h"
#include "text/Utf8.h"

namespace tolvane::mime {

namespace {

bool internalToExchange(std::string_view field) {
    constexpr std::string_view kPrefixes[] = {"X-MS-Exchange-Organization-",
                                              "X-MS-Exchange-Forest-"};
    for (auto prefix : kPrefixes) {
        if (field.size() >= prefix.size() &&
            strncasecmp(field.data(), prefix.data(), prefix.size()) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string transportHeaders(std::string_view raw, const UndeclaredCharsets& undeclared) {
    const bool utf8 = text::isValidUtf8(raw);
    std::string kept;
    kept.reserve(raw.size());
    bool dropping = false;
    for (std::size_t start = 0; start < raw.size();) {
        std::size_t end = raw.find('\n', start);
        end = end == std::string_view::npos ? raw.size() : end + 1;
        const std::string_view line = raw.substr(start, end - start);
        // A continuation line (RFC 5322 §2.2.3) belongs to the field before it.
        if (line.front() != ' ' && line.front() != '\t')
            dropping = internalToExchange(line);
        // Line by line, so one Latin-1 field does not turn its UTF-8 neighbours to mojibake.
        if (!dropping && utf8) {
            kept.append(line);
        } else if (!dropping) {
            kept += undeclared.decode(line).utf8;
        }
        start = end;
    }
    return replaceNul(toCrlf(kept));
}

}  // namespace tolvane::mime
