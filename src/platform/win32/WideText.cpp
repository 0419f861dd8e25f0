#include "platform/win32/WideText.h"

#include "text/Utf8.h"

namespace tolvane::win32 {

std::wstring Widen(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const text::DecodedChar c = text::decodeUtf8(utf8, at, text::Surrogates::Kept);
        at += c.length;
        const text::Utf16Units units = text::utf16UnitsOf(c.point);
        out.push_back(static_cast<wchar_t>(units.first));
        if (units.count == 2) {
            out.push_back(static_cast<wchar_t>(units.second));
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
                text::appendUtf8(out,
                                 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (next - 0xDC00));
                ++at;
                continue;
            }
        }
        // A lone surrogate keeps its own three bytes.
        text::appendUtf8(out, unit, text::Surrogates::Kept);
    }
    return out;
}

}  // namespace tolvane::win32
