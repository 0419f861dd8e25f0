#pragma once

// Subject prefix and normalized subject, one rule for both (MS-OXCMAIL 2.2.3.2.6.1, with the
// "colon and a space" a MAPI store asks of PidTagNormalizedSubject): one to three
// characters, none a colon, a blank or a digit, then a colon and at least one blank. The prefix is
// exactly that text, blanks included, so that prefix and normalized subject make the subject again:
// a store keeps only the prefix's length ([MS-PST] 2.5.3.1.1.1) and takes the normalized subject
// and the conversation topic from there. "Re:x" and "dvd::rip" have no prefix.

#include <string>
#include <string_view>

namespace tolvane::mime {

struct SubjectParts {
    std::string prefix;      // "" or the characters, the colon and the blanks after it
    std::string normalized;  // the rest of the subject
};

SubjectParts splitSubject(std::string_view subject);

}  // namespace tolvane::mime
