#include "pstcheck/ltp/PropTypes.h"

namespace tolvane::pstcheck {

std::optional<std::size_t> fixedSize(std::uint16_t type) {
    switch (type) {
        case 0x0002:
            return 2;
        case 0x0003:
        case 0x0004:
        case 0x000A:
            return 4;
        case 0x000B:
            return 1;
        case 0x0005:
        case 0x0006:
        case 0x0007:
        case 0x0014:
        case 0x0040:
            return 8;
        case 0x0048:
            return 16;
        default:
            return std::nullopt;
    }
}

bool multiValued(std::uint16_t type) {
    return (type & 0x1000) != 0;
}

bool inlineValue(std::uint16_t type) {
    const auto fixed = fixedSize(type);
    return fixed && *fixed <= 4;
}

bool knownType(std::uint16_t type) {
    const std::uint16_t base = type & 0x0FFF;
    if (fixedSize(base)) {
        return base != 0x000B || !multiValued(type);
    }
    switch (base) {
        case 0x001E:
        case 0x001F:
        case 0x0102:
            return true;
        case 0x000D:
        case 0x00FB:
        case 0x00FD:
        case 0x00FE:
            return !multiValued(type);
        default:
            return false;
    }
}

std::string utf8(Bytes s) {
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
        std::uint32_t c = s[i] | (s[i + 1] << 8);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < s.size()) {
            const std::uint32_t lo = s[i + 2] | (s[i + 3] << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace tolvane::pstcheck
