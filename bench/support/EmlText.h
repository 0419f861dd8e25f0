#pragma once

// Pieces of generated message files.

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvane::bench {

// Base64 in lines of 76 characters, each ended by CRLF, as a mail attachment is written.
inline std::string base64Lines(std::string_view data) {
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto byte = [&](std::size_t k) {
        return k < data.size() ? std::uint32_t{static_cast<unsigned char>(data[k])} : 0u;
    };
    std::string out;
    out.reserve(data.size() * 4 / 3 + data.size() / 38 + 8);
    int column = 0;
    for (std::size_t k = 0; k < data.size(); k += 3) {
        const std::uint32_t n = (byte(k) << 16) | (byte(k + 1) << 8) | byte(k + 2);
        out += table[(n >> 18) & 63];
        out += table[(n >> 12) & 63];
        out += k + 1 < data.size() ? table[(n >> 6) & 63] : '=';
        out += k + 2 < data.size() ? table[n & 63] : '=';
        if ((column += 4) == 76) {
            out += "\r\n";
            column = 0;
        }
    }
    return out + "\r\n";
}

}  // namespace tolvane::bench
