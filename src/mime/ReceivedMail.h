#pragma once

// What Outlook puts on every internet mail it receives beyond what the MIME says, as its
// received mails show: urgency, the receipt requests off, the locale and code page of the
// user's Outlook (here the process's locale), the defaults of its mail form in PSETID_Common;
// and, where the headers name the mailbox the mail was delivered to (Delivered-To, else
// X-Original-To), the received-by and received-representing groups and the to-me flags.

#include <gmime/gmime.h>

#include "mapi/Message.h"
#include "mime/HeaderView.h"

namespace tolvane::mime {

// After the envelope and the structure are mapped: it reads the recipient rows and the
// attachments.
void mapReceivedMail(const HeaderView& headers, mapi::Message& msg);

}  // namespace tolvane::mime
