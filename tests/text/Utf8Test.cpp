// One rule for what becomes U+FFFD, wherever text is decoded: a byte that begins no
// well-formed sequence is replaced on its own. glib's validator is the independent reference
// for which sequences are well-formed.

#include "text/Utf8.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane::text {
namespace {

// Each character as "U+XXXX" (or "bad" for an invalid byte) with its length.
std::vector<std::string> decodeAll(std::string_view text,
                                   Surrogates surrogates = Surrogates::Invalid) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at < text.size();) {
        const DecodedChar c = decodeUtf8(text, at, surrogates);
        char buffer[32];
        if (c.valid) {
            std::snprintf(buffer, sizeof buffer, "U+%04X/%zu", static_cast<unsigned>(c.point),
                          c.length);
        } else {
            EXPECT_EQ(c.point, kReplacementCharacter);
            EXPECT_EQ(c.length, 1u);
            std::snprintf(buffer, sizeof buffer, "bad");
        }
        out.emplace_back(buffer);
        at += c.length;
    }
    return out;
}

using Chars = std::vector<std::string>;

TEST(Utf8Decoding, WellFormedSequencesOfEveryLength) {
    EXPECT_EQ(decodeAll("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (Chars{"U+0061/1", "U+00E9/2", "U+20AC/3", "U+1F600/4"}));
    EXPECT_EQ(decodeAll(std::string("\0\x7F", 2)), (Chars{"U+0000/1", "U+007F/1"}));
    EXPECT_EQ(decodeAll("\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF4\x8F\xBF\xBF"),
              (Chars{"U+0080/2", "U+07FF/2", "U+0800/3", "U+FFFD/3", "U+10FFFF/4"}));
}

TEST(Utf8Decoding, EachByteThatBeginsNoSequenceIsInvalidOnItsOwn) {
    // Stray continuation bytes, bytes never in UTF-8, a sequence cut short by the end or by
    // another lead: each byte is one U+FFFD and the next byte is read afresh.
    EXPECT_EQ(decodeAll("\x80\xBF"), (Chars{"bad", "bad"}));
    EXPECT_EQ(decodeAll("\xC0\xC1\xF5\xFF"), (Chars{"bad", "bad", "bad", "bad"}));
    EXPECT_EQ(decodeAll("\xE2\x82"), (Chars{"bad", "bad"}));
    EXPECT_EQ(decodeAll("\xE2\x82\xC3\xA9"), (Chars{"bad", "bad", "U+00E9/2"}));
    EXPECT_EQ(decodeAll("\xF0\x9F\x98"
                        "a"),
              (Chars{"bad", "bad", "bad", "U+0061/1"}));
}

TEST(Utf8Decoding, OverlongFormsSurrogatesAndValuesPastTheLastPlaneAreInvalid) {
    EXPECT_EQ(decodeAll("\xC0\xAF"), (Chars{"bad", "bad"}));             // '/' in two bytes
    EXPECT_EQ(decodeAll("\xE0\x80\xAF"), (Chars{"bad", "bad", "bad"}));  // '/' in three
    EXPECT_EQ(decodeAll("\xF0\x80\x80\xAF"), Chars(4, "bad"));           // '/' in four
    EXPECT_EQ(decodeAll("\xED\xA0\x80"), Chars(3, "bad"));               // U+D800
    EXPECT_EQ(decodeAll("\xED\xBF\xBF"), Chars(3, "bad"));               // U+DFFF
    EXPECT_EQ(decodeAll("\xF4\x90\x80\x80"), Chars(4, "bad"));           // U+110000
    // Next to them, their valid neighbours.
    EXPECT_EQ(decodeAll("\xED\x9F\xBF\xEE\x80\x80"), (Chars{"U+D7FF/3", "U+E000/3"}));
}

TEST(Utf8Decoding, NoncharactersAreCharacters) {
    EXPECT_EQ(decodeAll("\xEF\xB7\x90\xEF\xB7\xAF\xEF\xBF\xBE\xEF\xBF\xBF\xF4\x8F\xBF\xBE"),
              (Chars{"U+FDD0/3", "U+FDEF/3", "U+FFFE/3", "U+FFFF/3", "U+10FFFE/4"}));
    EXPECT_TRUE(isValidUtf8("\xEF\xBF\xBF"));
}

TEST(Utf8Decoding, OnlyTheWin32BoundaryKeepsSurrogates) {
    EXPECT_EQ(decodeAll("\xED\xA0\x80\xED\xBF\xBF", Surrogates::Kept),
              (Chars{"U+D800/3", "U+DFFF/3"}));
    // Overlong forms stay invalid there too.
    EXPECT_EQ(decodeAll("\xC0\xAF", Surrogates::Kept), (Chars{"bad", "bad"}));
}

// Every sequence of one to three bytes, and four-byte sequences over every lead and second
// byte, valid exactly when glib's validator says it is one character.
TEST(Utf8Decoding, AgreesWithGlibOnWhatIsOneWellFormedCharacter) {
    const auto check = [](const std::string& bytes) {
        const DecodedChar c = decodeUtf8(bytes, 0);
        const bool ours = c.valid && c.length == bytes.size();
        const char* end = nullptr;
        const bool glibs = g_utf8_validate_len(bytes.data(), bytes.size(), &end) &&
                           g_utf8_strlen(bytes.data(), static_cast<gssize>(bytes.size())) == 1 &&
                           bytes[0] != '\0';
        return ours == glibs;
    };
    int disagreements = 0;
    for (int a = 1; a < 256; ++a) {
        disagreements += !check(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b) {
            const std::string two{static_cast<char>(a), static_cast<char>(b)};
            disagreements += !check(two);
            if (a >= 0xE0 && a <= 0xEF) {
                for (int c = 0; c < 256; ++c) {
                    disagreements += !check(two + static_cast<char>(c));
                }
            }
            if (a >= 0xF0) {
                for (const int c : {0x7F, 0x80, 0xBF, 0xC0}) {
                    for (const int d : {0x7F, 0x80, 0xBF, 0xC0}) {
                        disagreements += !check(two + static_cast<char>(c) + static_cast<char>(d));
                    }
                }
            }
        }
    }
    EXPECT_EQ(disagreements, 0);
}

TEST(Utf8Validation, TheWholeTextMustBeWellFormedAtEveryOffset) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ASCII, longer than eight bytes"));
    // A bad byte after, inside and between the sixteen- and eight-byte ASCII runs.
    for (std::size_t at = 0; at < 40; ++at) {
        std::string text(40, 'a');
        text[at] = '\x80';
        EXPECT_FALSE(isValidUtf8(text)) << at;
        text[at] = 'a';
        text.insert(at, "\xC3\xA9");
        EXPECT_TRUE(isValidUtf8(text)) << at;
        text.erase(at + 1, 1);  // the lead alone
        EXPECT_FALSE(isValidUtf8(text)) << at;
    }
}

TEST(Utf8Encoding, ScalarValuesRoundTripAndTheRestBecomesReplacement) {
    for (const char32_t point :
         {U'\0', U'a', U'\u00E9', U'\u07FF', U'\u0800', U'\uFFFF', U'\U00010000', U'\U0010FFFF'}) {
        std::string out;
        appendUtf8(out, point);
        const DecodedChar c = decodeUtf8(out, 0);
        EXPECT_TRUE(c.valid && c.point == point && c.length == out.size())
            << static_cast<unsigned>(point);
    }
    std::string out;
    appendUtf8(out, 0xD800);
    appendUtf8(out, 0x110000);
    EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
    out.clear();
    appendUtf8(out, 0xDC00, Surrogates::Kept);
    EXPECT_EQ(out, "\xED\xB0\x80");
}

TEST(Utf16Units, OneUnitInTheBasicPlaneAPairAboveIt) {
    const Utf16Units e = utf16UnitsOf(0xE9);
    EXPECT_EQ(e.count, 1);
    EXPECT_EQ(e.first, 0xE9);
    const Utf16Units last = utf16UnitsOf(0xFFFF);
    EXPECT_EQ(last.count, 1);
    const Utf16Units smile = utf16UnitsOf(0x1F600);
    EXPECT_EQ(smile.count, 2);
    EXPECT_EQ(smile.first, 0xD83D);
    EXPECT_EQ(smile.second, 0xDE00);
    const Utf16Units top = utf16UnitsOf(0x10FFFF);
    EXPECT_EQ(top.first, 0xDBFF);
    EXPECT_EQ(top.second, 0xDFFF);
}

}  // namespace
}  // namespace tolvane::text
