#pragma once

// Bytes in a declared charset to UTF-8, with our own loop over iconv: aliases are mapped
// first, undecodable bytes become U+FFFD and are counted, nothing is dropped silently.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::mime {

struct DecodedText {
    std::string utf8;
    int codePage = 0;          // Windows code page of the charset actually used
    std::size_t replaced = 0;  // bytes or sequences that became U+FFFD
};

// Lower-cased, unquoted charset name with common mislabels mapped to what iconv knows
// (e.g. ks_c_5601-1987 -> cp949, gb2312 -> gb18030).
std::string canonicalCharset(std::string_view name);

// Windows code page of a charset name (after aliasing); 0 if none is known.
int codePageOf(std::string_view charset);

// Decodes text in `charset`; nullopt when the name is unknown to us and to iconv.
std::optional<DecodedText> decodeCharset(std::string_view bytes, std::string_view charset);

// Undeclared 8-bit text: UTF-8 when it is valid UTF-8, else windows-1252.
DecodedText decode8bit(std::string_view bytes);

// The charsets tried, in order, for 8-bit text that names none (raw header bytes, RFC 6532
// §3.2; text parts without a charset): valid UTF-8 first, then these, each taken only when
// it decodes every byte, then windows-1252, which keeps every byte.
class UndeclaredCharsets {
  public:
    UndeclaredCharsets() = default;
    // Names iconv cannot open are left out, and so are UTF-8, US-ASCII and windows-1252,
    // which are tried anyway.
    explicit UndeclaredCharsets(const std::vector<std::string>& names);

    DecodedText decode(std::string_view bytes) const;
    // These, then those of `after` not among them.
    UndeclaredCharsets then(const UndeclaredCharsets& after) const;
    const std::vector<std::string>& charsets() const { return charsets_; }

  private:
    std::vector<std::string> charsets_;  // canonical names
};

// Declared charset if it can be decoded, else the undeclared rule.
DecodedText decodeText(std::string_view bytes, std::string_view charset,
                       const UndeclaredCharsets& undeclared);

// U+0000 cannot live in a MAPI string: each NUL becomes U+FFFD.
std::string replaceNul(std::string utf8);

}  // namespace tolvane::mime
