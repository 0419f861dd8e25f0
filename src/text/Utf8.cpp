#include "text/Utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>
#include <cstring>

namespace tolvane::text {
namespace {

bool isSurrogate(char32_t point) {
    return point >= 0xD800 && point <= 0xDFFF;
}

constexpr DecodedChar kInvalidByte{kReplacementCharacter, 1, false};

}  // namespace

DecodedChar decodeUtf8(std::string_view text, std::size_t at, Surrogates surrogates) noexcept {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    std::size_t length = 0;
    char32_t point = 0;
    char32_t shortest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, point = lead & 0x1Fu, shortest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, point = lead & 0x0Fu, shortest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, point = lead & 0x07u, shortest = 0x10000;
    } else {
        return kInvalidByte;
    }
    if (text.size() - at < length) {
        return kInvalidByte;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if (!isContinuationByte(next)) {
            return kInvalidByte;
        }
        point = (point << 6) | (next & 0x3Fu);
    }
    if (point < shortest || point > 0x10FFFF ||
        (isSurrogate(point) && surrogates == Surrogates::Invalid)) {
        return kInvalidByte;
    }
    return {point, length, true};
}

bool isValidUtf8(std::string_view text) noexcept {
    for (std::size_t at = 0; at < text.size();) {
        // Mail text is mostly ASCII: sixteen bytes at a time while it lasts, then eight.
#if defined(__SSE2__)
        while (text.size() - at >= 16 &&
               _mm_movemask_epi8(
                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at))) == 0) {
            at += 16;
        }
        if (at == text.size()) {
            break;
        }
#endif
        if (text.size() - at >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + at, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                at += 8;
                continue;
            }
        }
        const DecodedChar c = decodeUtf8(text, at);
        if (!c.valid) {
            return false;
        }
        at += c.length;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t point, Surrogates surrogates) {
    if (point > 0x10FFFF || (isSurrogate(point) && surrogates == Surrogates::Invalid)) {
        point = kReplacementCharacter;
    }
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

Utf16Units utf16UnitsOf(char32_t point) noexcept {
    if (point < 0x10000) {
        return {static_cast<char16_t>(point), 0, 1};
    }
    const char32_t offset = point - 0x10000;
    return {static_cast<char16_t>(0xD800 + (offset >> 10)),
            static_cast<char16_t>(0xDC00 + (offset & 0x3FF)), 2};
}

}  // namespace tolvane::text
