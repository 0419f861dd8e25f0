#pragma once

// A contact's display name and its "file as" string (PidLidFileUnder) with the id that tells
// Outlook how to rebuild it (PidLidFileUnderId, MS-OXOCNTC 2.2.1.1.12), from Zimbra's name
// fields and its fileAs setting ("1" Last, First ... "7" Company (First Last), "8:text").

#include <cstdint>
#include <optional>
#include <string>

#include "contact/ContactRecord.h"

namespace tolvane::contact {

struct ContactNames {
    std::string displayName;
    std::string fileUnder;
    std::optional<std::int32_t> fileUnderId;  // none where Outlook has no id for the form
};

ContactNames contactNames(const ContactRecord& record);

}  // namespace tolvane::contact
