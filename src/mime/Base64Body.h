#pragma once

// Base64 body text (attachments, encoded parts): a one-pass table decoder for the clean,
// common layout, and GMime's decoder behind it for everything else, so every result is the
// one GMime gives.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::mime {

// Scans base64 text in pieces; damaged once a byte outside the alphabet appears, a symbol
// follows padding, or the symbols end one short of a byte.
class Base64Check {
  public:
    void feed(const char* p, std::size_t n);
    bool damaged() const { return damaged_ || symbols_ % 4 == 1; }
    // The bytes a truncated last group (two or three symbols, no padding) carries, which a
    // decoder that wants whole groups leaves out; "" otherwise.
    std::string truncatedTail() const;

  private:
    std::size_t symbols_ = 0;
    bool padding_ = false;
    bool damaged_ = false;
    std::string last_;  // the last three symbols before any padding
};

// Room decodeCleanBase64 may write to for `n` bytes of text.
constexpr std::size_t base64DecodeRoom(std::size_t n) {
    return n / 4 * 3 + 4;
}

inline constexpr std::size_t kNotClean = static_cast<std::size_t>(-1);

// Decodes text of symbols and blanks (space, tab, CR, LF) ending in whole quanta, in
// "xx==" / "xxx=", or in two or three symbols unpadded (kept: the bytes they carry): the
// bytes written, or kNotClean for anything else (damage included).
std::size_t decodeCleanBase64(std::string_view text, unsigned char* out);

// Decodes as GMime's decoder does, in one pass when the text is clean, except that a
// truncated last group keeps the bytes it carries (GMime drops them); true when Base64Check
// calls the text damaged.
bool decodeBase64Body(std::string_view text, std::string& out);
bool decodeBase64Body(std::string_view text, std::vector<std::uint8_t>& out);

}  // namespace tolvane::mime
