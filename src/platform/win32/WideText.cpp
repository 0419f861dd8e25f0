#include "platform/win32/WideText.h"

#include <cstdint>

namespace tolvane::win32 {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One code point from utf8[at], its length in bytes; surrogates are accepted as code points.
char32_t decodeOne(std::string_view utf8, std::size_t at, std::size_t& length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[at + k]); };
    const unsigned char lead = byte(0);
    char32_t point = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2, point = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, point = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, point = lead & 0x07, minimum = 0x10000;
    } else {
        length = 1;
        return kReplacement;
    }
    if (at + length > utf8.size()) {
        length = 1;
        return kReplacement;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            length = 1;
            return kReplacement;
        }
        point = (point << 6) | (byte(k) & 0x3F);
    }
    if (point < minimum || point > 0x10FFFF) {
        length = 1;
        return kReplacement;
    }
    return point;
}

void appendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out.push_back(static_cast<char>(point));
    } else if (point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (point >> 6)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    }
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t length = 0;
        const char32_t point = decodeOne(utf8, at, length);
        at += length;
        if (point >= 0x10000) {
            const char32_t offset = point - 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (offset >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (offset & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(point));
        }
    }
    return out;
}

std::string Narrow(std::wstring_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t at = 0; at < utf16.size(); ++at) {
        const auto unit = static_cast<char16_t>(utf16[at]);
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < utf16.size()) {
            const auto next = static_cast<char16_t>(utf16[at + 1]);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (next - 0xDC00));
                ++at;
                continue;
            }
        }
        appendUtf8(out, unit);  // a lone surrogate keeps its own three bytes
    }
    return out;
}

}  // namespace tolvane::win32
