#include "mime/SubjectRules.h"

#include "text/Utf8.h"

namespace tolvane::mime {

SubjectParts splitSubject(std::string_view s) {
    // Up to three characters (code points, not bytes) before the colon.
    std::size_t i = 0;
    int chars = 0;
    while (i < s.size() && chars < 4) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == ':')
            break;
        if (c == ' ' || (c >= '0' && c <= '9'))
            return {"", std::string(s)};
        i += text::decodeUtf8(s, i).length;
        ++chars;
    }
    if (chars < 1 || chars > 3 || i + 1 >= s.size() || s[i] != ':' || s[i + 1] != ' ')
        return {"", std::string(s)};
    std::size_t rest = i + 1;
    while (rest < s.size() && s[rest] == ' ')
        ++rest;
    return {std::string(s.substr(0, rest)), std::string(s.substr(rest))};
}

}  // namespace tolvane::mime
