#pragma once

// Content-Type / Content-Disposition values with their parameters, parsed from the raw
// header so that RFC 2231 (§3 continuations, §4 charset, §4.1 both) and stray RFC 2047
// words are decoded by our own charset loop rather than by the process locale.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mime/Charset.h"

namespace tolvane::mime {

struct ContentParams {
    std::string value;  // "type/subtype" or "attachment", lower-cased
    std::vector<std::pair<std::string, std::string>> params;  // names lower-cased, values UTF-8

    // The first parameter of that (lower-case) name.
    std::optional<std::string> get(std::string_view name) const;
};

ContentParams parseContentParams(std::string_view raw, const UndeclaredCharsets& undeclared);

}  // namespace tolvane::mime
