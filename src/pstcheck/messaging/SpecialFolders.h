#pragma once

#include <cstdint>
#include <map>

#include "pstcheck/Report.h"
#include "pstcheck/messaging/FolderTree.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockSource.h"

namespace tolvane::pstcheck {

// Outlook finds its special folders only through pointers: the message store's entry ids
// ([MS-PST] 2.4.3.1) with PidTagValidFolderMask saying which are set, the receive-folder
// table (node 0x62B: message class to folder NID; "" names the Inbox), and the entry ids on
// the root folder and the Inbox (Calendar, Contacts, Journal, Notes, Tasks, Drafts, and
// PidTagAdditionalRenEntryIds with Junk E-mail in slot 4). Each must be an entry id of this
// store naming a folder of the container class Outlook expects there.
void checkSpecialFolders(const BTrees& trees, BlockSource& blocks,
                         const std::map<std::uint32_t, Folder>& folders, Report& report);

}  // namespace tolvane::pstcheck
