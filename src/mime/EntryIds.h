#pragma once

// Address identifiers the recipient table and the sender groups carry.

#include <string>
#include <string_view>
#include <vector>

#include "mapi/PropValue.h"

namespace tolvane::mime {

// One-off EntryID for an SMTP address (MS-OXCDATA 2.2.5.1), Unicode strings, flags 0x8001.
mapi::Bytes oneOffEntryId(std::string_view displayName, std::string_view address);

// "SMTP:" + upper-case address + NUL (MS-OXOMSG 2.2.1.40 search-key format).
mapi::Bytes smtpSearchKey(std::string_view address);

// FLATENTRYLIST of EntryIDs, each entry padded to 4 bytes (MS-OXCDATA 2.3.3).
mapi::Bytes flatEntryList(const std::vector<mapi::Bytes>& entryIds);

}  // namespace tolvane::mime
