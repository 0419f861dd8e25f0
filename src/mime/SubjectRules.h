#pragma once

// Subject prefix and normalized subject (MS-OXCMAIL 2.2.3.2.6.1).

#include <string>
#include <string_view>

namespace tolvane::mime {

struct SubjectParts {
    std::string prefix;      // "" or the 1-3 characters + ": "
    std::string normalized;  // the subject after the prefix and its blanks
};

SubjectParts splitSubject(std::string_view subject);

}  // namespace tolvane::mime
