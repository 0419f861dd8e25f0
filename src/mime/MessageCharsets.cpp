#include "mime/MessageCharsets.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tolvane::mime {

namespace {

// Code pages of the charsets in which a byte can be the first of a longer character.
bool multibyte(const std::string& charset) {
    constexpr int kMultibyte[] = {932, 936, 949, 950, 20932, 51932, 51949, 52936, 54936};
    const int cp = codePageOf(charset);
    return std::find(std::begin(kMultibyte), std::end(kMultibyte), cp) != std::end(kMultibyte);
}

void collect(GMimeObject* object, std::vector<std::string>& out, int depth) {
    if (!object || depth > 64)
        return;
    if (GMIME_IS_MULTIPART(object)) {
        auto* mp = GMIME_MULTIPART(object);
        const int n = g_mime_multipart_get_count(mp);
        for (int i = 0; i < n; ++i)
            collect(g_mime_multipart_get_part(mp, i), out, depth + 1);
        return;
    }
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (!GMIME_IS_PART(object) || !type || !g_mime_content_type_is_type(type, "text", "*"))
        return;
    // UTF-8 and US-ASCII are tried anyway; most parts declare one of them.
    const char* charset = g_mime_content_type_get_parameter(type, "charset");
    if (charset && g_ascii_strcasecmp(charset, "utf-8") != 0 &&
        g_ascii_strcasecmp(charset, "us-ascii") != 0) {
        out.emplace_back(charset);
    }
}

}  // namespace

UndeclaredCharsets declaredCharsets(GMimeObject* root) {
    std::vector<std::string> charsets;
    collect(root, charsets, 0);
    std::stable_partition(charsets.begin(), charsets.end(), multibyte);
    return UndeclaredCharsets(charsets);
}

}  // namespace tolvane::mime
