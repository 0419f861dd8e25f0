#pragma once

// Text helpers for entry names and Zimbra's strings, which arrive as bytes of unknown quality.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane::source {

bool equalsNoCase(std::string_view a, std::string_view b);  // ASCII letters only
bool endsWithNoCase(std::string_view text, std::string_view suffix);

// One code point of UTF-8 text at `pos`, moving `pos` past it; nullopt for a malformed or
// overlong sequence or a surrogate, leaving `pos` where it was.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& pos);

bool isValidUtf8(std::string_view text);

// Bytes taken as ISO 8859-1: the reading of a name that is not UTF-8, which loses nothing.
std::string latin1ToUtf8(std::string_view bytes);

}  // namespace tolvane::source
