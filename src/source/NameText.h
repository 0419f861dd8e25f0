#pragma once

// Text helpers for entry names and Zimbra's strings, which arrive as bytes of unknown quality.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvane::source {

bool equalsNoCase(std::string_view a, std::string_view b);  // ASCII letters only
bool endsWithNoCase(std::string_view text, std::string_view suffix);

// Bytes taken as ISO 8859-1: the reading of a name that is not UTF-8, which loses nothing.
std::string latin1ToUtf8(std::string_view bytes);

}  // namespace tolvane::source
