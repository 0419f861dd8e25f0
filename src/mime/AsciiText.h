#pragma once

// Byte-level helpers for the ASCII parts of header syntax.

#include <string>
#include <string_view>

#include "platform/HexDigit.h"

namespace tolvane::mime {

inline std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return out;
}

// Where the next CR or LF at or after `from` is; the text's size when none. A plain loop: the
// standard find_first_of tries each byte against the set and cost more in callgrind here.
inline std::size_t nextLineBreak(std::string_view text, std::size_t from) {
    while (from < text.size() && text[from] != '\r' && text[from] != '\n')
        ++from;
    return from;
}

// %XX escapes (RFC 2231 values, RFC 2392 cid: URLs); a stray % stays as it is.
inline std::string percentDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace tolvane::mime
