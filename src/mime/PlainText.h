#pragma once

// Plain-text shaping for PidTagBody: RFC 3676 unflowing and CRLF line ends.

#include <string>
#include <string_view>

namespace tolvane::mime {

// RFC 3676 §4: joins soft-broken lines of equal quote depth, removes space-stuffing, and
// with delsp=yes drops the space before each soft break. "-- " is never joined.
std::string unflow(std::string_view text, bool delsp);

// Every CRLF, bare LF and bare CR becomes CRLF.
std::string toCrlf(std::string_view text);

}  // namespace tolvane::mime
