#include "pst/ltp/Utf16.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tolvane::pst::ltp {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::size_t put(std::vector<std::uint8_t>& out, std::size_t at, char16_t unit) {
    out[at] = static_cast<std::uint8_t>(unit);
    out[at + 1] = static_cast<std::uint8_t>(unit >> 8);
    return at + 2;
}

// A code point needs at most as many UTF-16 bytes as it had UTF-8 bytes, except that a
// 4-byte sequence also needs 4: the buffer of twice the input length always has room.
std::size_t putCodePoint(std::vector<std::uint8_t>& out, std::size_t at, char32_t cp) {
    if (cp < 0x10000) {
        return put(out, at, static_cast<char16_t>(cp));
    }
    cp -= 0x10000;
    at = put(out, at, static_cast<char16_t>(0xD800 + (cp >> 10)));
    return put(out, at, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
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
    std::vector<std::uint8_t> out(utf8.size() * 2);
    std::size_t at = 0;
    for (std::size_t i = 0; i < utf8.size();) {
#if defined(__SSE2__)
        // Sixteen ASCII bytes at a time: mail text is mostly ASCII.
        while (i + 16 <= utf8.size()) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(utf8.data() + i));
            if (_mm_movemask_epi8(v) != 0) {
                break;
            }
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + at),
                             _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + at + 16),
                             _mm_unpackhi_epi8(v, zero));
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
        const char32_t cp = decode(utf8, i);
        if (cp >= 0x10000 && at + 4 > out.size()) {
            out.resize(at + 4);
        }
        at = putCodePoint(out, at, cp);
    }
    out.resize(at);
    return out;
}

}  // namespace tolvane::pst::ltp
