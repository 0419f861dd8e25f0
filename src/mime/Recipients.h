#pragma once

// To/Cc/Bcc to the recipient table (MS-OXCMAIL 2.2.3.1.1 inverse; MS-OXOMSG 2.2.3.1), the
// originator groups, and the display summaries a directly written store must carry.

#include <gmime/gmime.h>

#include <string>

#include "mapi/Message.h"
#include "mime/Addresses.h"
#include "mime/HeaderView.h"

namespace tolvane::mime {

// Rows in header order: every To instance, then Cc, then Bcc (instances combine).
void mapRecipients(const HeaderView& headers, GMimeParserOptions* options, mapi::Message& msg);

// From (first mailbox) to both originator groups; Sender, when present, to the sender group.
void mapOriginators(const HeaderView& headers, GMimeParserOptions* options, mapi::Message& msg);

// Display name for a mailbox: its name, else its address.
std::string displayNameOf(const Mailbox& m);

}  // namespace tolvane::mime
