#pragma once

// The program's one UTF-8 decoder and encoder. Text is UTF-8 inside the program; every layer
// that turns bytes into characters or characters into bytes goes through here, so a broken
// sequence reads the same wherever it meets the program.
//
// The rule for what becomes U+FFFD: a byte that does not begin a well-formed sequence is
// invalid on its own, and decoding goes on with the next byte. That covers a stray
// continuation byte, a byte that never occurs in UTF-8 (C0, C1, F5 to FF), a sequence cut
// short, an overlong form, a surrogate and a value above U+10FFFF: "\xE2\x82" is two invalid
// bytes, "\xC0\xAF" two, "\xED\xA0\x80" three. Noncharacters (U+FDD0 to U+FDEF, U+FFFE,
// U+FFFF and their kin in every plane) are well-formed and decode as themselves.

#include <cstddef>
#include <string>
#include <string_view>

namespace tolvane::text {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Windows file names may hold an unpaired surrogate (NTFS does not check), and such a name
// must reach the system again unchanged. At the Win32 boundary alone, surrogates are kept in
// their three-byte form (the generalised UTF-8 called WTF-8); everywhere else they are invalid.
enum class Surrogates { Invalid, Kept };

struct DecodedChar {
    char32_t point = 0;      // U+FFFD for an invalid byte
    std::size_t length = 0;  // bytes read: the sequence, or 1 for an invalid byte
    bool valid = false;
};

// The character that begins at text[at]; `at` must be inside the text.
DecodedChar decodeUtf8(std::string_view text, std::size_t at,
                       Surrogates surrogates = Surrogates::Invalid) noexcept;

// A byte that can only follow a lead byte (10xxxxxx), never begin a character.
constexpr bool isContinuationByte(unsigned char byte) noexcept {
    return (byte & 0xC0) == 0x80;
}

// Whether the whole text is well-formed UTF-8.
bool isValidUtf8(std::string_view text) noexcept;

// Appends the UTF-8 form of a code point. A value above U+10FFFF, or a surrogate unless kept,
// is written as U+FFFD.
void appendUtf8(std::string& out, char32_t point, Surrogates surrogates = Surrogates::Invalid);

// A code point as UTF-16 code units: one for the basic plane, a surrogate pair above it.
struct Utf16Units {
    char16_t first = 0;
    char16_t second = 0;  // 0 when one unit does
    int count = 1;
};
Utf16Units utf16UnitsOf(char32_t point) noexcept;

}  // namespace tolvane::text
