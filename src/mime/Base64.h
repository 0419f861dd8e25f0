#pragma once

// Small base64 helpers for header-sized values (RFC 2045 §6.8 alphabet).

#include <optional>
#include <string>
#include <string_view>

namespace tolvane::mime {

// A symbol's value in the alphabet, or -1.
constexpr int base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

// nullopt when a character outside the alphabet (and whitespace) appears.
std::optional<std::string> base64Decode(std::string_view text);
std::string base64Encode(std::string_view bytes);

}  // namespace tolvane::mime
