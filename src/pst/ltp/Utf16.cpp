#include "pst/ltp/Utf16.h"

namespace tolvane::pst::ltp {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void put(std::vector<std::uint8_t>& out, char16_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

void putCodePoint(std::vector<std::uint8_t>& out, char32_t cp) {
    if (cp < 0x10000) {
        put(out, static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    put(out, static_cast<char16_t>(0xD800 + (cp >> 10)));
    put(out, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

// Decodes one sequence at text[i]; advances i past it (one byte for an invalid lead).
char32_t decode(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return kReplacement;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return kReplacement;
    }
    return cp;
}

}  // namespace

std::vector<std::uint8_t> utf16le(std::string_view utf8) {
    std::vector<std::uint8_t> out;
    out.reserve(utf8.size() * 2);
    for (std::size_t i = 0; i < utf8.size();) {
        putCodePoint(out, decode(utf8, i));
    }
    return out;
}

}  // namespace tolvane::pst::ltp
