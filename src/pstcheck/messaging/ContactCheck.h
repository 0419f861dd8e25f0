#pragma once

#include <cstddef>
#include <string>

#include "pstcheck/Report.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/messaging/NameMap.h"

namespace tolvane::pstcheck {

// Contacts and personal distribution lists ([MS-OXOCNTC] 2.2.1, 2.2.2): the properties
// Outlook needs to list them, found through the name-to-id map, e-mail slots against the
// address-book arrays, one-off entry ids against their addresses, member lists against their
// checksum, and the photo flag against the attachments.
void checkContactItem(const PropertyContext& pc, const std::string& messageClass,
                      std::size_t photoAttachments, const NameIndex& names,
                      const std::string& where, Report& report);

bool isContactItem(const std::string& messageClass);

}  // namespace tolvane::pstcheck
