#pragma once

// The charset for 8-bit text that a message does not declare, tried after the charsets the
// message declares and before windows-1252: the one the user names (the command line's
// --charset, passed with each import as mapi::ImportOptions), else the legacy charset of the
// process's locale, as Windows falls back to its ANSI code page.

#include <string>
#include <string_view>

#include "mapi/ImportOptions.h"

namespace tolvane::mime {

// A charset name the user gave, canonical, for mapi::ImportOptions. Throws
// std::invalid_argument naming it when it is not one we can decode; "" stays "".
std::string checkedCharset(std::string_view name);

// The one in force: `chosen` (canonical), else the locale's; "" when neither applies.
std::string fallbackCharset(const std::string& chosen);

// Bytes that declare no charset, such as a folder name in a legacy encoding, as the import
// reads undeclared 8-bit text: UTF-8 when they are, else the options' fallback charset when
// it reads every byte, else windows-1252.
std::string decodeUndeclared(std::string_view bytes, const mapi::ImportOptions& options);

// The legacy (ANSI) charset of a POSIX locale name: its own codeset unless that is UTF-8,
// else the one its language writes with ("ru_RU.UTF-8" gives windows-1251, "zh_TW" big5);
// "" for the C locale and for languages windows-1252 serves.
std::string localeCharset(std::string_view locale);

// The process's locale for text: LC_ALL, else LC_CTYPE, else LANG ("" when none is set).
std::string processLocale();

}  // namespace tolvane::mime
