#pragma once

// Header text to Unicode (RFC 2047 §5/§6.2; RFC 6532 §3.2 for raw 8-bit): encoded words are
// decoded with our own charset loop, raw 8-bit text by the undeclared rule: UTF-8, the
// charsets the message declares, the user's fallback, windows-1252.

#include <string>
#include <string_view>

#include "mime/Charset.h"

namespace tolvane::mime {

// Removes line breaks of folding (RFC 5322 §2.2.3) and trims blanks at both ends.
std::string unfold(std::string_view raw);

// An unstructured value (Subject, Thread-Topic, a parameter value): unfolded and decoded.
std::string decodeHeaderText(std::string_view raw, const UndeclaredCharsets& undeclared);

// A structured value (an address list) made safe for GMime's structural parser: raw 8-bit
// text becomes UTF-8 and every run of encoded words is re-encoded as one UTF-8 word, so no
// charset decision is left to GMime.
std::string normaliseStructured(std::string_view raw, const UndeclaredCharsets& undeclared);

}  // namespace tolvane::mime
