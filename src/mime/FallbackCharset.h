#pragma once

// The charset the user names for 8-bit text that a message does not declare, tried after the
// charsets the message declares and before windows-1252: set by a front end (the command
// line's --charset), else the legacy charset of the process's locale, as Windows falls back
// to its ANSI code page.

#include <string>
#include <string_view>

namespace tolvane::mime {

// Throws std::invalid_argument naming the charset when it is not one we can decode. An empty
// name goes back to the locale's.
void setFallbackCharset(std::string_view name);

// The one in force: the one set, else the locale's; "" when neither applies.
std::string fallbackCharset();

// The legacy (ANSI) charset of a POSIX locale name: its own codeset unless that is UTF-8,
// else the one its language writes with ("ru_RU.UTF-8" gives windows-1251, "zh_TW" big5);
// "" for the C locale and for languages windows-1252 serves.
std::string localeCharset(std::string_view locale);

// The process's locale for text: LC_ALL, else LC_CTYPE, else LANG ("" when none is set).
std::string processLocale();

}  // namespace tolvane::mime
