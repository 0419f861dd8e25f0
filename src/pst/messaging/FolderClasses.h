#pragma once

// What a folder of each class is made with: the container class Outlook reads, and the
// columns of its contents table, which Outlook's list views show without opening a message.

#include <vector>

#include "pst/PstWriter.h"
#include "pst/ltp/DiskStructs.h"
#include "pst/messaging/NameToIdMap.h"

namespace tolvane::pst::messaging {

// "IPF.Note", "IPF.Contact", "IPF.Appointment", "IPF.Task", "IPF.StickyNote", "IPF.Journal".
const char* containerClass(FolderClass folderClass);

// The contents-table columns of a new folder of the class. Named-property columns take their
// ids from the store's map, registering the names there.
std::vector<ltp::TColumn> contentsColumns(FolderClass folderClass, NameToIdMap& names);

}  // namespace tolvane::pst::messaging
