#include "convert/CodeUnitOrder.h"

#include <cstdint>

namespace tolvane::convert {
namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The UTF-16 units of the character starting at `at`, packed as first << 16 | second (second
// is 0 for a single unit). A malformed byte counts as the unit of its own value.
std::uint32_t unitsAt(std::string_view s, std::size_t at) {
    const auto lead = static_cast<unsigned char>(s[at]);
    std::size_t extra = 0;
    std::uint32_t cp = 0;
    if (lead >= 0xF0 && lead < 0xF8) {
        extra = 3;
        cp = lead & 0x07u;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        extra = 2;
        cp = lead & 0x0Fu;
    } else if (lead >= 0xC0 && lead < 0xE0) {
        extra = 1;
        cp = lead & 0x1Fu;
    } else {
        return std::uint32_t{lead} << 16;
    }
    if (at + extra >= s.size()) {
        return std::uint32_t{lead} << 16;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[at + k]);
        if (!isContinuation(c)) {
            return std::uint32_t{lead} << 16;
        }
        cp = (cp << 6) | (c & 0x3Fu);
    }
    if (cp < 0x10000) {
        return cp << 16;
    }
    const std::uint32_t v = cp - 0x10000;
    return ((0xD800u + (v >> 10)) << 16) | (0xDC00u + (v & 0x3FFu));
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
    while (start > 0 && isContinuation(static_cast<unsigned char>(a[start]))) {
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
