#pragma once

// Attachment file names (MS-OXCMAIL 2.2.3.4.1.1): cleaning, extension, 8.3 short name and
// the name a nameless part gets.

#include <string>
#include <string_view>

namespace tolvane::mime {

// U+0000-U+001F and " / : < > | \ become "_"; blanks trimmed.
std::string sanitiseFileName(std::string_view name);

// ".ext" of a file name (the text after the last dot), "" if none.
std::string extensionOf(std::string_view fileName);

// A usual extension for a MIME type (".txt" for text/plain, ".dat" when unknown).
std::string extensionForType(std::string_view mimeType);

// "ATT00001.ext" style name for the n-th nameless part (n counts from 1).
std::string defaultFileName(int n, std::string_view mimeType);

// 8.3 form: upper case, invalid characters dropped, "~1" when shortened.
std::string shortFileName(std::string_view longName);

}  // namespace tolvane::mime
