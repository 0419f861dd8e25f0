#pragma once

// The chosen body to PidTagBody / PidTagHtml (MS-OXCMAIL 2.2.3.3.2.1): plain text always,
// HTML as UTF-8 bytes with code page 65001 and a <meta> charset that agrees, native body,
// format=flowed unflowed, CRLF line ends. No RTF.

#include <string>

#include "mapi/Message.h"
#include "mime/BodySelect.h"

namespace tolvane::mime {

// Sets the body properties; returns the stored HTML (UTF-8) so inline images can be matched.
std::string mapBody(const BodyChoice& choice, mapi::Message& msg, PartInfoCache& infos);

}  // namespace tolvane::mime
