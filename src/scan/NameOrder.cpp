#include "scan/NameOrder.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <locale.h>
#endif

namespace tolvane::scan {

namespace {

#ifdef _WIN32
// The system's own invariant upper-case mapping.
char16_t upperOutsideAscii(char16_t unit) {
    wchar_t in = static_cast<wchar_t>(unit);
    wchar_t out = in;
    return LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &in, 1, &out, 1, nullptr, nullptr,
                         0) == 1
               ? static_cast<char16_t>(out)
               : unit;
}
#else

// A private UTF-8 locale for the upper-case mapping; the program's own locale is untouched.
locale_t upperCaseLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char16_t upperOutsideAscii(char16_t unit) {
    const locale_t locale = upperCaseLocale();
    if (locale == locale_t{}) {
        return unit;
    }
    const auto mapped = towupper_l(static_cast<wint_t>(unit), locale);
    // The Windows table maps within the 16-bit range only.
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : unit;
}
#endif

char16_t upper(char16_t unit) {
    if (unit < 0x80) {
        return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - 0x20) : unit;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        return unit;  // halves of a pair stay as they are, as in the Windows up-case table
    }
    return upperOutsideAscii(unit);
}

// Decodes one UTF-8 sequence at text[at]; returns the code point and its length, or
// nothing (length 0) when the bytes there are not a valid sequence.
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t point = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        return {lead, 1};
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, point = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, point = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, point = lead & 0x07, minimum = 0x10000;
    } else {
        return {0, 0};
    }
    if (at + length > text.size()) {
        return {0, 0};
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return {0, 0};
        }
        point = (point << 6) | (byte(k) & 0x3F);
    }
    if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return {0, 0};
    }
    return {point, length};
}

}  // namespace

std::u16string upperCaseSortKey(std::string_view utf8Name) {
    std::u16string key;
    key.reserve(utf8Name.size());
    for (std::size_t at = 0; at < utf8Name.size();) {
        const auto [point, length] = decodeUtf8(utf8Name, at);
        if (length == 0) {
            key.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(utf8Name[at])));
            ++at;
            continue;
        }
        at += length;
        if (point >= 0x10000) {
            const char32_t offset = point - 0x10000;
            key.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            key.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        } else {
            key.push_back(upper(static_cast<char16_t>(point)));
        }
    }
    return key;
}

}  // namespace tolvane::scan
