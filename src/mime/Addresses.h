#pragma once

// Address lists (RFC 5322 §3.4) to mailboxes, groups expanded to their members; empty
// groups add none. GMime does the structure, our charset loop does the text.

#include <gmime/gmime.h>

#include <string>
#include <string_view>
#include <vector>

#include "mime/Charset.h"

namespace tolvane::mime {

struct Mailbox {
    std::string name;     // decoded display name, may be empty
    std::string address;  // the mailbox address, local-part@domain (RFC 5322 3.4.1)
};

std::vector<Mailbox> parseAddressList(std::string_view raw, GMimeParserOptions* options,
                                      const UndeclaredCharsets& undeclared);

}  // namespace tolvane::mime
