#pragma once

// What Outlook puts on every internet mail it receives beyond what the MIME says, as its
// received mails show: urgency, the receipt requests off, the locale and code page of the
// user's Outlook (here the process's locale), the defaults of its mail form in PSETID_Common;
// and, where the headers name the mailbox the mail was delivered to (Delivered-To, else
// X-Original-To), the received-by and received-representing groups and the to-me flags.

#include <gmime/gmime.h>

#include <cstdint>

#include "mapi/Message.h"
#include "mime/HeaderView.h"

namespace tolvane::mime {

// What Outlook takes from its user's settings: the locale and its ANSI code page.
struct UserLocale {
    std::int32_t lcid = 0x0409;        // en-US
    std::int32_t ansiCodePage = 1252;  // windows-1252

    // The process's locale's language, with the legacy charset the import falls back to
    // (FallbackCharset) as its code page.
    static UserLocale ofProcess(const std::string& fallbackCharset);
};

// Before the envelope is mapped, which may say otherwise (a read receipt, a language).
void setReceivedMailDefaults(const HeaderView& headers, const UserLocale& user, mapi::Message& msg);
// After the envelope and the structure are mapped: it reads the body's code page, the
// recipient rows and the attachments.
void mapReceivedMail(const HeaderView& headers, const UserLocale& user, mapi::Message& msg);

}  // namespace tolvane::mime
