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

// A name's sort key, one unit at a time.
class SortKeyUnits {
  public:
    explicit SortKeyUnits(std::string_view utf8Name) : name_(utf8Name) {}

    bool done() const noexcept { return pendingLow_ == 0 && at_ == name_.size(); }

    char16_t next() {
        if (pendingLow_ != 0) {
            return std::exchange(pendingLow_, char16_t{0});
        }
        const auto byte = static_cast<unsigned char>(name_[at_]);
        if (byte < 0x80) {
            ++at_;
            return upper(byte);
        }
        const text::DecodedChar c = text::decodeUtf8(name_, at_);
        if (!c.valid) {
            // Each invalid byte keeps a unit of its own, so two such names never sort as one.
            ++at_;
            return static_cast<char16_t>(0xDC00 + byte);
        }
        at_ += c.length;
        const text::Utf16Units units = text::utf16UnitsOf(c.point);
        if (units.count == 2) {
            pendingLow_ = units.second;
            return units.first;
        }
        return upper(units.first);
    }

  private:
    std::string_view name_;
    std::size_t at_ = 0;
    char16_t pendingLow_ = 0;  // the second half of a pair, still to come
};

}  // namespace

std::u16string upperCaseSortKey(std::string_view utf8Name) {
    std::u16string key;
    key.reserve(utf8Name.size());
    for (SortKeyUnits units(utf8Name); !units.done();) {
        key.push_back(units.next());
    }
    return key;
}

bool sortsBeforeLikeWindows(std::string_view a, std::string_view b) {
    // Equal bytes give equal units. The walk starts after the longest common prefix that ends
    // in an ASCII byte, which no character of either name runs across: names in a large
    // folder tend to share most of their length ("m0000001.eml", "m0000002.eml").
    auto same = static_cast<std::size_t>(
        std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
    while (same > 0 && static_cast<unsigned char>(a[same - 1]) >= 0x80) {
        --same;
    }
    SortKeyUnits left(a.substr(same));
    SortKeyUnits right(b.substr(same));
    while (!left.done() && !right.done()) {
        const char16_t l = left.next();
        const char16_t r = right.next();
        if (l != r) {
            return l < r;
        }
    }
    if (left.done() != right.done()) {
        return left.done();  // a key that is a prefix of the other comes first
    }
    return a < b;
}

}  // namespace tolvane::scan
