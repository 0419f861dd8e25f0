#pragma once

// PidTagTransportMessageHeaders from the raw header block (MS-OXCMAIL 2.2.3.2.28): the
// header bytes as they were, CRLF line ends, each line decoded by the undeclared rule,
// without the X-MS-Exchange-Organization-* and X-MS-Exchange-Forest-* fields.

#include <string>
#include <string_view>

#include "mime/Charset.h"

namespace tolvane::mime {

std::string transportHeaders(std::string_view rawBlock, const UndeclaredCharsets& undeclared);

}  // namespace tolvane::mime
