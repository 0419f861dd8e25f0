#pragma once

#include <cstdint>
#include <map>

#include "pstcheck/Report.h"
#include "pstcheck/messaging/FolderTree.h"
#include "pstcheck/messaging/MessageCheck.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockSource.h"

namespace tolvane::pstcheck {

// Every folder against its tables: hierarchy rows = child folders, contents rows = messages,
// FAI rows = associated messages, copied columns, and the counts in the folder's PC
// ([MS-PST] 2.4.4). Returns the number of folders.
std::uint64_t checkFolders(const BTrees& trees, BlockSource& blocks,
                           const std::map<std::uint32_t, Folder>& folders,
                           const std::map<std::uint32_t, MessageFacts>& messages, Report& report);

}  // namespace tolvane::pstcheck
