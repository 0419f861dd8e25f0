#include "mime/PartInfo.h"

#include <algorithm>
#include <string_view>

#include "mime/HeaderText.h"
#include "mime/HeaderView.h"

namespace tolvane::mime {

namespace {

// RFC 2045 §5.1: type "/" subtype, each a token (printable ASCII but tspecials).
bool isMediaType(std::string_view value) {
    const auto token = [](std::string_view t) {
        return !t.empty() && t.find_first_of("()<>@,;:\\\"/[]?=") == std::string_view::npos &&
               std::all_of(t.begin(), t.end(), [](char c) { return c > ' ' && c < 127; });
    };
    const std::size_t slash = value.find('/');
    return slash != std::string_view::npos && token(value.substr(0, slash)) &&
           token(value.substr(slash + 1));
}

}  // namespace

PartInfo partInfo(GMimeObject* object, const UndeclaredCharsets& undeclared) {
    PartInfo info;
    GMimeContentType* ct = g_mime_object_get_content_type(object);
    const char* type = ct ? g_mime_content_type_get_media_type(ct) : nullptr;
    const char* sub = ct ? g_mime_content_type_get_media_subtype(ct) : nullptr;
    // Type names are ASCII by RFC 2045; raw 8-bit ones still have to become valid text.
    info.mimeType = decodeHeaderText(
        std::string(type ? type : "text") + "/" + (sub ? sub : "plain"), undeclared);
    for (char& c : info.mimeType) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    const HeaderView headers(object, undeclared);
    // GMime's own parse takes the last Content-Type it meets; read the same instance.
    if (auto raw = headers.lastRaw("Content-Type")) {
        info.type = parseContentParams(*raw, undeclared);
        // RFC 2045 §5.2: a type that is none ("text" alone, "<html>", ";", nothing) is
        // text/plain; GMime makes it application/octet-stream.
        if (info.mimeType == "application/octet-stream" && !isMediaType(info.type.value))
            info.mimeType = "text/plain";
    }
    if (auto raw = headers.firstRaw("Content-Disposition")) {
        info.disposition = parseContentParams(*raw, undeclared);
    }
    if (GMIME_IS_PART(object)) {
        if (auto cte = headers.firstRaw("Content-Transfer-Encoding")) {
            const std::string value = unfold(*cte);
            info.unknownEncoding =
                !value.empty() && g_mime_content_encoding_from_string(value.c_str()) ==
                                      GMIME_CONTENT_ENCODING_DEFAULT;
        }
    }
    return info;
}

}  // namespace tolvane::mime
