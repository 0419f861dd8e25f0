// UTF-8 model strings become UTF-16LE on disk; broken input becomes U+FFFD, never a crash.

#include <gtest/gtest.h>

#include "text/Utf16.h"

namespace tolvane::text {
namespace {

std::vector<std::uint8_t> units(std::initializer_list<std::uint16_t> list) {
    std::vector<std::uint8_t> out;
    for (auto u : list) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

TEST(Utf16, EncodesEveryPlane) {
    EXPECT_EQ(utf16le("A\xC3\xA9\xE2\x82\xAC"), units({0x41, 0xE9, 0x20AC}));
    EXPECT_EQ(utf16le("\xF0\x9F\x98\x80"), units({0xD83D, 0xDE00}));  // U+1F600
    EXPECT_EQ(utf16le(""), units({}));
}

TEST(Utf16, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(utf16le("a\xFF"
                      "b"),
              units({0x61, 0xFFFD, 0x62}));
    // One U+FFFD for each byte that begins no well-formed sequence (text/Utf8.h).
    EXPECT_EQ(utf16le("\xC0\xAF"), units({0xFFFD, 0xFFFD}));                     // overlong '/'
    EXPECT_EQ(utf16le("\xED\xA0\x80x"), units({0xFFFD, 0xFFFD, 0xFFFD, 0x78}));  // surrogate
    EXPECT_EQ(utf16le("\xE2\x82"), units({0xFFFD, 0xFFFD}));  // cut short at the end
    EXPECT_EQ(utf16le("\xF4\x90\x80\x80"), units({0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));  // > U+10FFFF
}

// Long text goes through the wide ASCII steps; non-ASCII at every offset must not upset them.
TEST(Utf16, LongMixedTextEqualsItsPiecesJoined) {
    const char* const pieces[] = {
        "a",    "Zimbra mail ",     "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
        "\r\n", "0123456789abcdef", "\xFF"};
    unsigned seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string text;
        std::vector<std::uint8_t> expected;
        for (int k = 0; k < 60; ++k) {
            seed = seed * 1103515245 + 12345;
            const char* piece = pieces[(seed >> 16) % std::size(pieces)];
            text += piece;
            const auto encoded = utf16le(piece);
            expected.insert(expected.end(), encoded.begin(), encoded.end());
        }
        ASSERT_EQ(utf16le(text), expected) << "round " << round;
    }
}

}  // namespace
}  // namespace tolvane::text
