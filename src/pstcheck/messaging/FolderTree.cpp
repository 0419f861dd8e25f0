#include "pstcheck/messaging/FolderTree.h"

#include "pstcheck/Guard.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/messaging/Ids.h"

namespace tolvane::pstcheck {

bool isFolder(std::uint32_t nid) {
    return nidType(nid) == nidtype::kNormalFolder || nidType(nid) == nidtype::kSearchFolder;
}

std::map<std::uint32_t, Folder> readFolders(const BTrees& trees, BlockSource& blocks, Report& r) {
    std::map<std::uint32_t, Folder> folders;
    for (const auto& [nid, node] : trees.nbt) {
        if (!isFolder(nid)) {
            continue;
        }
        Folder& f = folders[nid];
        f.nid = nid;
        f.parent = node.nidParent;
        guarded(r, "nid " + hex(nid), [&] {
            const auto pc =
                PropertyContext::open(blocks, node.bidData, node.bidSub, "nid " + hex(nid), r);
            if (pc) {
                f.opened = true;
                f.name = pc->string(tag::kDisplayName);
                f.containerClass = pc->string(tag::kContainerClass);
                f.contentCount = pc->int32(tag::kContentCount);
                f.unreadCount = pc->int32(tag::kContentUnread);
                f.hasSubfolders = pc->boolean(tag::kSubfolders);
            }
        });
    }
    for (const auto& [nid, node] : trees.nbt) {
        const std::uint32_t type = nidType(nid);
        if (!isFolder(nid) && type != nidtype::kNormalMessage && type != nidtype::kAssocMessage) {
            continue;
        }
        const auto parent = folders.find(node.nidParent);
        if (parent == folders.end()) {
            r.add("NBTENTRY", "nidParent", hex(node.nidParent) + " is not a folder",
                  "nid " + hex(nid));
            continue;
        }
        if (nid == node.nidParent) {
            continue;  // the root folder is its own parent
        }
        (isFolder(nid)                    ? parent->second.subfolders
         : type == nidtype::kAssocMessage ? parent->second.associated
                                          : parent->second.messages)
            .push_back(nid);
    }
    return folders;
}

}  // namespace tolvane::pstcheck
