// Base64 body text: the one-pass decoder with GMime's behind it gives, for every text, the
// bytes and damaged flag that GMime's decoder and the damage rules alone give, plus the
// bytes of a truncated last group, which GMime leaves out.

#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mime/Base64Body.h"

namespace tolvane::mime::test {
namespace {

struct Decoded {
    std::string bytes;
    bool damaged = false;
    bool operator==(const Decoded&) const = default;
};

bool symbol(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// GMime's decoder in one step; `tail` gets what its state holds of a truncated last group.
std::string gmimeDecoded(std::string_view text, std::string& tail) {
    std::string bytes(text.size() / 4 * 3 + 4, '\0');
    int state = 0;
    guint32 save = 0;
    bytes.resize(g_mime_encoding_base64_decode_step(
        reinterpret_cast<const unsigned char*>(text.data()), text.size(),
        reinterpret_cast<unsigned char*>(bytes.data()), &state, &save));
    tail.clear();
    for (int k = 0; k < state - 1; ++k)  // two symbols hold one byte, three hold two
        tail += static_cast<char>(save >> (state == 2 ? 4 : 10 - 8 * k));
    return bytes;
}

// GMime's decoder and its tail, the damage rules byte by byte.
Decoded reference(std::string_view text) {
    Decoded d;
    std::string tail;
    d.bytes = gmimeDecoded(text, tail) + tail;
    std::size_t symbols = 0;
    bool padding = false, bad = false;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (symbol(c)) {
            bad = bad || padding;
            ++symbols;
        } else if (c == '=') {
            padding = true;
        } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            bad = true;
        }
    }
    d.damaged = bad || symbols % 4 == 1;
    return d;
}

Decoded decoded(std::string_view text) {
    Decoded d;
    d.damaged = decodeBase64Body(text, d.bytes);
    return d;
}

bool fast(std::string_view text) {
    std::vector<unsigned char> out(base64DecodeRoom(text.size()));
    return decodeCleanBase64(text, out.data()) != kNotClean;
}

// Lines of `width` symbols (0: one line), each ended by `eol`; `pad` writes the '='s.
std::string encode(const std::string& bytes, bool pad, std::size_t width, const char* eol) {
    static const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string plain;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) {
            if (k <= n)
                plain += a[(v >> (18 - 6 * k)) & 63];
            else if (pad)
                plain += '=';
        }
    }
    if (width == 0)
        return plain + eol;
    std::string out;
    for (std::size_t i = 0; i < plain.size(); i += width)
        out += plain.substr(i, width) + eol;
    return out;
}

std::string randomBytes(std::mt19937& rng, std::size_t n) {
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

TEST(Base64Body, TrickyTextsDecodeAsGMimeDoes) {
    // clang-format off
    const std::vector<std::string> texts = {
        "", "\r", "\n", "\r\n", " \t", "QUJD", "QUJD\r\n", "QUJD\n", "QUJD\r", "QU\r\nJD",
        "Q U\tJ D", "QUJD\rREVG", "QUJDRA==", "QUJDREU=", "QUJDRA== \t\r\n", "QUJDRA=\r\n=\r\n",
        "QUJ\r\nDRE\r\nU=", "QUJDRA=", "QUJDRA===", "QUJDRA", "QUJDREU", "QUJDREU==", "QUJDR",
        "QUJDR=", "QUJDR===", "QUJD=", "QUJD==", "QUJD====", "QUJD=====", "=", "==", "====",
        "=QUJD", "QUJDRA==QUJD", "QUJDRA==x", "QUJDRA==*", "QUJ*D", "QUJD\x80", "QUJD\v",
        "QUJD\f", "QU-_", std::string("QU\0JD", 5), "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo\r\n",
        "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo=\r\n"};
    // clang-format on
    for (const auto& text : texts)
        EXPECT_EQ(decoded(text), reference(text)) << '"' << text << '"';
    EXPECT_EQ(decoded("QUJDRA=="), (Decoded{"ABCD", false}));
    EXPECT_EQ(decoded("QUJ\r\nDRE\r\nU="), (Decoded{"ABCDE", false}));
    EXPECT_EQ(decoded("QUJDR"), (Decoded{"ABC", true}));
    EXPECT_EQ(decoded("QUJDRA"), (Decoded{"ABCD", false}));    // truncated: "D" kept
    EXPECT_EQ(decoded("QUJDREU"), (Decoded{"ABCDE", false}));  // "DE" kept
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(decodeBase64Body("QUJD\r\nRA==", bytes));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'A', 'B', 'C', 'D'}));
}

// The fast path must carry what encoders write, or it saves nothing.
TEST(Base64Body, WrittenEncodingsTakeTheOnePass) {
    std::mt19937 rng(2045);
    for (const std::size_t width : {76u, 64u, 72u, 4u, 77u, 1u, 0u}) {
        for (std::size_t n = 0; n < 200; n += 1 + rng() % 7) {
            const std::string bytes = randomBytes(rng, n);
            std::string text = encode(bytes, true, width, n % 2 ? "\r\n" : "\n");
            if (n % 3 == 0)
                text.resize(text.find_last_not_of("\r\n") + 1);  // no last line break
            EXPECT_TRUE(fast(text)) << text;
            EXPECT_EQ(decoded(text), (Decoded{bytes, false})) << text;
        }
    }
}

TEST(Base64Body, RandomAndMutatedTextsMatchGMime) {
    std::mt19937 rng(20261207);
    const char blanks[] = {' ', '\t', '\r', '\n'};
    int onePass = 0, damaged = 0, tails = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::size_t widths[] = {76, 64, 4, 0, 1 + rng() % 90};
        std::string text = encode(randomBytes(rng, rng() % 120), rng() % 4 != 0, widths[rng() % 5],
                                  rng() % 2 ? "\r\n" : "\n");
        for (int m = static_cast<int>(rng() % 4); m > 0 && !text.empty(); --m) {
            const std::size_t at = rng() % (text.size() + 1);
            const auto kind = rng() % 6;
            if (kind == 0)
                text.erase(std::min(at, text.size() - 1), 1);
            else if (kind == 1)
                text.resize(at);
            else
                text.insert(at, 1,
                            kind == 2   ? static_cast<char>(rng())  // anything, often damage
                            : kind == 3 ? '='
                            : kind == 4 ? blanks[rng() % 4]
                                        : "Az09+/"[rng() % 6]);
        }
        const Decoded want = reference(text);
        EXPECT_EQ(decoded(text), want) << '"' << text << '"';
        onePass += fast(text);
        damaged += want.damaged;
        // Fed in two pieces, as the spool path feeds it, the check says the same.
        Base64Check check;
        const std::size_t cut = rng() % (text.size() + 1);
        check.feed(text.data(), cut);
        check.feed(text.data() + cut, text.size() - cut);
        EXPECT_EQ(check.damaged(), want.damaged) << '"' << text << '"';
        // What the spool path appends behind GMime's filter is the tail GMime left out.
        std::string tail;
        gmimeDecoded(text, tail);
        if (!want.damaged) {
            EXPECT_EQ(check.truncatedTail(), tail) << '"' << text << '"';
        }
        tails += !tail.empty() && !want.damaged;
    }
    // Both ways were exercised, each many times.
    EXPECT_GT(onePass, 1000);
    EXPECT_GT(damaged, 500);
    EXPECT_GT(tails, 200);
}

}  // namespace
}  // namespace tolvane::mime::test
