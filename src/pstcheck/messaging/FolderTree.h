#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pstcheck/Report.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockSource.h"

namespace tolvane::pstcheck {

// A folder as the node database and its property context show it ([MS-PST] 2.4.4).
struct Folder {
    std::uint32_t nid = 0;
    std::uint32_t parent = 0;
    bool opened = false;  // its PC could be read; the facts below come from it
    std::optional<std::string> name, containerClass;
    std::optional<std::uint32_t> contentCount, unreadCount;
    std::optional<bool> hasSubfolders;
    // The nodes whose NBT nidParent it is, by kind, in NID order.
    std::vector<std::uint32_t> subfolders, messages, associated;
};

bool isFolder(std::uint32_t nid);

// Every folder node (normal and search) by NID. A folder, message or associated message whose
// nidParent names no folder is reported.
std::map<std::uint32_t, Folder> readFolders(const BTrees& trees, BlockSource& blocks,
                                            Report& report);

}  // namespace tolvane::pstcheck
