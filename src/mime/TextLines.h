#pragma once

// Line-level reading shared by the text formats imported here: plain bodies, vCard and
// iCalendar.

#include <cstddef>
#include <string_view>
#include <vector>

namespace tolvane::mime {

// The lines of a text, broken at CRLF, LF or CR; a last line without a break is kept.
std::vector<std::string_view> splitLines(std::string_view text);

// The colon that ends a content line's name and parameters (vCard and iCalendar share the
// form of RFC 2425): the first one outside a quoted parameter value; npos when none.
std::size_t contentLineColon(std::string_view line);

}  // namespace tolvane::mime
