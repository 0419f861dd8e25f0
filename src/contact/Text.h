#pragma once

// ASCII case and blank trimming for vCard names, parameters and Zimbra's field values.

#include <string>
#include <string_view>

#include "mime/AsciiText.h"

namespace tolvane::contact {

inline std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

inline std::string lower(std::string_view s) {
    return mime::lowerAscii(s);
}

inline std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return out;
}

}  // namespace tolvane::contact
