#include "convert/CodeUnitOrder.h"

#include <cstdint>

#include "text/Utf8.h"

namespace tolvane::convert {
namespace {

// The UTF-16 units of the character starting at `at`, packed as first << 16 | second (second
// is 0 for a single unit). An invalid byte counts as the unit of its own value.
std::uint32_t unitsAt(std::string_view s, std::size_t at) {
    const text::DecodedChar c = text::decodeUtf8(s, at);
    if (!c.valid) {
        return std::uint32_t{static_cast<unsigned char>(s[at])} << 16;
    }
    const text::Utf16Units units = text::utf16UnitsOf(c.point);
    return (std::uint32_t{units.first} << 16) | units.second;
}

}  // namespace

bool codeUnitLess(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    std::size_t at = 0;
    while (at < common && a[at] == b[at]) {
        ++at;
    }
    if (at == common) {
        return a.size() < b.size();
    }
    // Both strings agree up to `at`, so the differing characters start at the same lead byte.
    std::size_t start = at;
    while (start > 0 && text::isContinuationByte(static_cast<unsigned char>(a[start]))) {
        --start;
    }
    const auto ua = static_cast<unsigned char>(a[at]);
    const auto ub = static_cast<unsigned char>(b[at]);
    if (ua < 0x80 && ub < 0x80) {
        return ua < ub;
    }
    return unitsAt(a, start) < unitsAt(b, start);
}

}  // namespace tolvane::convert
