#include "scan/NameOrder.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

#ifdef _WIN32
#include <windows.h>
#else
#include <locale.h>
#endif

#include "text/Utf8.h"

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

}  // namespace

std::u16string upperCaseSortKey(std::string_view utf8Name) {
    std::u16string key;
    key.reserve(utf8Name.size());
    for (std::size_t at = 0; at < utf8Name.size();) {
        const text::DecodedChar c = text::decodeUtf8(utf8Name, at);
        if (!c.valid) {
            // Each invalid byte keeps a key of its own, so two such names never sort as one.
            key.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(utf8Name[at])));
            ++at;
            continue;
        }
        at += c.length;
        const text::Utf16Units units = text::utf16UnitsOf(c.point);
        if (units.count == 2) {
            key.push_back(units.first);
            key.push_back(units.second);
        } else {
            key.push_back(upper(units.first));
        }
    }
    return key;
}

}  // namespace tolvane::scan
