#include "text/Utf16.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/Utf8.h"

namespace tolvane::text {

namespace {

std::size_t put(std::vector<std::uint8_t>& out, std::size_t at, char16_t unit) {
    out[at] = static_cast<std::uint8_t>(unit);
    out[at + 1] = static_cast<std::uint8_t>(unit >> 8);
    return at + 2;
}

// A code point needs at most as many UTF-16 bytes as it had UTF-8 bytes, except that a
// 4-byte sequence also needs 4: the buffer of twice the input length always has room.
std::size_t putCodePoint(std::vector<std::uint8_t>& out, std::size_t at, char32_t cp) {
    const Utf16Units units = utf16UnitsOf(cp);
    at = put(out, at, units.first);
    return units.count == 2 ? put(out, at, units.second) : at;
}

}  // namespace

std::vector<std::uint8_t> utf16le(std::string_view utf8) {
    std::vector<std::uint8_t> out(utf8.size() * 2);
    std::size_t at = 0;
    for (std::size_t i = 0; i < utf8.size();) {
#if defined(__SSE2__)
        // Sixteen bytes at a time: mail text is mostly ASCII. The ASCII before a non-ASCII
        // byte is taken from the same sixteen, so text with an accent every few words does not
        // fall back to a byte at a time. All 32 bytes are stored either way: at is at most
        // 2 * i, so they fit, and what lies past the ASCII is written over next.
        while (i + 16 <= utf8.size()) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(utf8.data() + i));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + at),
                             _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + at + 16),
                             _mm_unpackhi_epi8(v, zero));
            const auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
            if (high != 0) {
                const auto ascii = static_cast<std::size_t>(std::countr_zero(high));
                i += ascii;
                at += 2 * ascii;
                break;
            }
            i += 16;
            at += 32;
        }
        if (i >= utf8.size()) {
            break;
        }
#endif
        // ASCII, the usual case, without the general decoder.
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out[at++] = c;
            out[at++] = 0;
            ++i;
            continue;
        }
        // Two-byte sequences (Latin accents, Greek, Cyrillic) need no general decoder either.
        if (c >= 0xC2 && c <= 0xDF && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[i + 1]);
            if ((next & 0xC0) == 0x80) {
                at = put(out, at, static_cast<char16_t>((c & 0x1F) << 6 | (next & 0x3F)));
                i += 2;
                continue;
            }
        }
        const DecodedChar decoded = decodeUtf8(utf8, i);
        i += decoded.length;
        if (decoded.point >= 0x10000 && at + 4 > out.size()) {
            out.resize(at + 4);
        }
        at = putCodePoint(out, at, decoded.point);
    }
    out.resize(at);
    return out;
}

std::u16string utf16Of(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const DecodedChar c = decodeUtf8(utf8, i);
        const Utf16Units units = utf16UnitsOf(c.point);
        out.push_back(units.first);
        if (units.count == 2) {
            out.push_back(units.second);
        }
        i += c.length;
    }
    return out;
}

}  // namespace tolvane::text
