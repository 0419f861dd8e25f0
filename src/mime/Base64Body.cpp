#include "mime/Base64Body.h"

#include <gmime/gmime.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <cstring>

#include "mime/Base64.h"

namespace tolvane::mime {

namespace {

// Set in every table entry that is not a symbol; above the 24 bits a quantum fills.
constexpr std::uint32_t kBad = 0x80000000u;

// One table per place in the quantum, each value pre-shifted, so a quantum is four loads
// and three ORs, and one test of kBad covers all four bytes.
using Table = std::array<std::uint32_t, 256>;
constexpr std::array<Table, 4> makeTables() {
    std::array<Table, 4> t{};
    for (unsigned c = 0; c < 256; ++c) {
        const int v = base64Value(static_cast<unsigned char>(c));
        for (unsigned place = 0; place < 4; ++place)
            t[place][c] = v < 0 ? kBad : static_cast<std::uint32_t>(v) << (18 - 6 * place);
    }
    return t;
}
constexpr std::array<Table, 4> kTables = makeTables();
constexpr const Table& kLast = kTables[3];  // unshifted: one symbol's value

constexpr bool blank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void put3(unsigned char* o, std::uint32_t v) {
    o[0] = static_cast<unsigned char>(v >> 16);
    o[1] = static_cast<unsigned char>(v >> 8);
    o[2] = static_cast<unsigned char>(v);
}

template <typename T>
bool decodeBody(std::string_view text, T& out) {
    out.resize(base64DecodeRoom(text.size()));
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    std::size_t n = decodeCleanBase64(text, o);
    if (n != kNotClean) {
        out.resize(n);
        return false;
    }
    // Damaged or unusual: GMime's decoder and the check, exactly as before the fast path.
    Base64Check check;
    check.feed(text.data(), text.size());
    int state = 0;
    guint32 save = 0;
    n = g_mime_encoding_base64_decode_step(reinterpret_cast<const unsigned char*>(text.data()),
                                           text.size(), o, &state, &save);
    // A truncated last group still carries whole bytes: two symbols one, three two.
    if (state == 2) {
        o[n++] = static_cast<unsigned char>(save >> 4);
    } else if (state == 3) {
        o[n++] = static_cast<unsigned char>(save >> 10);
        o[n++] = static_cast<unsigned char>(save >> 2);
    }
    out.resize(n);
    return check.damaged();
}

}  // namespace

// Written as plain compares so the compiler vectorises it: it still reads every byte of
// spooled and unusual attachments.
void Base64Check::feed(const char* p, std::size_t n) {
    std::size_t head = n;
    if (!padding_) {
        const void* eq = std::memchr(p, '=', n);
        if (eq)
            head = static_cast<std::size_t>(static_cast<const char*>(eq) - p);
        std::size_t symbols = 0, blanks = 0, i = 0;
#if defined(__SSE2__)
        // Sixteen bytes at a time; bytes >= 0x80 compare negative and count as neither.
        const auto in = [](__m128i v, char lo, char hi) {
            return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(lo - 1))),
                                 _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(hi + 1))));
        };
        const auto same = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
        for (; i + 16 <= head; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i sym = _mm_or_si128(
                _mm_or_si128(in(v, 'A', 'Z'), in(v, 'a', 'z')),
                _mm_or_si128(in(v, '0', '9'), _mm_or_si128(same(v, '+'), same(v, '/'))));
            const __m128i blank = _mm_or_si128(_mm_or_si128(same(v, ' '), same(v, '\t')),
                                               _mm_or_si128(same(v, '\r'), same(v, '\n')));
            // Per-lane sums of the flags: 1 per symbol, 32 per blank (no popcount needed).
            const __m128i one = _mm_set1_epi8(1);
            const __m128i flags =
                _mm_or_si128(_mm_and_si128(sym, one), _mm_slli_epi16(_mm_and_si128(blank, one), 5));
            const __m128i sums = _mm_sad_epu8(flags, _mm_setzero_si128());
            const auto total = static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                               static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
            symbols += total & 0x1F;
            blanks += total >> 5;
        }
#endif
        for (; i < head; ++i) {
            const auto c = static_cast<unsigned char>(p[i]);
            symbols += ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') | (c >= '0' && c <= '9') |
                       (c == '+') | (c == '/');
            blanks += (c == ' ') | (c == '\t') | (c == '\r') | (c == '\n');
        }
        symbols_ += symbols;
        damaged_ = damaged_ || symbols + blanks != head;
        std::string last;  // this piece's last three symbols, then whatever came before
        for (std::size_t k = head; k-- > 0 && last.size() < 3;) {
            if (!(kLast[static_cast<unsigned char>(p[k])] & kBad))
                last.insert(last.begin(), p[k]);
        }
        last_ += last;
        if (last_.size() > 3)
            last_.erase(0, last_.size() - 3);
        if (head == n)
            return;
        padding_ = true;
    } else {
        head = 0;
    }
    // After the first '=': only padding and blanks may follow.
    for (std::size_t i = head; i < n; ++i) {
        const char c = p[i];
        damaged_ = damaged_ || !(c == '=' || c == ' ' || c == '\t' || c == '\r' || c == '\n');
    }
}

std::string Base64Check::truncatedTail() const {
    const std::size_t left = symbols_ % 4;
    if (padding_ || damaged_ || left < 2 || last_.size() < left)
        return {};
    std::uint32_t acc = 0;
    for (std::size_t k = last_.size() - left; k < last_.size(); ++k)
        acc = acc << 6 | kLast[static_cast<unsigned char>(last_[k])];
    std::string out;
    if (left == 2) {
        out += static_cast<char>(acc >> 4);
    } else {
        out += static_cast<char>(acc >> 10);
        out += static_cast<char>(acc >> 2 & 0xFF);
    }
    return out;
}

std::size_t decodeCleanBase64(std::string_view text, unsigned char* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    unsigned char* o = out;
    std::uint32_t acc = 0;  // a quantum split by blanks, one symbol at a time
    int have = 0;
    while (p != end) {
        if (have == 0) {
            // Whole quanta until a blank, '=' or a bad byte: a line at a time in practice.
            while (end - p >= 4) {
                const std::uint32_t v =
                    kTables[0][p[0]] | kTables[1][p[1]] | kTables[2][p[2]] | kTables[3][p[3]];
                if (v & kBad)
                    break;
                put3(o, v);
                o += 3;
                p += 4;
            }
            if (p == end)
                break;
        }
        const unsigned char c = *p++;
        if (!(kLast[c] & kBad)) {
            acc = acc << 6 | kLast[c];
            if (++have == 4) {
                put3(o, acc);
                o += 3;
                acc = 0;
                have = 0;
            }
        } else if (c == '=') {
            // Only "xx==" and "xxx=" finish fast; GMime has its own rules for the rest.
            int pads = 1;
            for (; p != end; ++p) {
                if (*p == '=')
                    ++pads;
                else if (!blank(*p))
                    return kNotClean;
            }
            if (have == 2 && pads == 2) {
                *o++ = static_cast<unsigned char>(acc >> 4);
            } else if (have == 3 && pads == 1) {
                *o++ = static_cast<unsigned char>(acc >> 10);
                *o++ = static_cast<unsigned char>(acc >> 2);
            } else {
                return kNotClean;
            }
            return static_cast<std::size_t>(o - out);
        } else if (!blank(c)) {
            return kNotClean;
        }
    }
    // Two or three symbols left without padding still carry one or two bytes; one is damage.
    if (have == 2) {
        *o++ = static_cast<unsigned char>(acc >> 4);
    } else if (have == 3) {
        *o++ = static_cast<unsigned char>(acc >> 10);
        *o++ = static_cast<unsigned char>(acc >> 2);
    }
    return have == 1 ? kNotClean : static_cast<std::size_t>(o - out);
}

bool decodeBase64Body(std::string_view text, std::string& out) {
    return decodeBody(text, out);
}

bool decodeBase64Body(std::string_view text, std::vector<std::uint8_t>& out) {
    return decodeBody(text, out);
}

}  // namespace tolvane::mime
