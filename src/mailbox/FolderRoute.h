#pragma once

// Where a Zimbra item goes in the PST: the one placement rule. Zimbra's mail system folders
// land in Outlook's own special folders, their subfolders below them, every other folder under
// the top of the visible tree with its real name.

#include <optional>
#include <string>
#include <vector>

#include "source/FolderPath.h"
#include "source/Item.h"

namespace tolvane::mailbox {

// The folders of a PST a route starts at.
enum class OutlookFolder { IpmSubtree, Inbox, SentItems, Drafts, DeletedItems, JunkEmail };

struct FolderRoute {
    OutlookFolder base = OutlookFolder::IpmSubtree;
    std::vector<std::string> below;  // the folders under the base, outermost first

    friend bool operator==(const FolderRoute&, const FolderRoute&) = default;
};

// The route of a mailbox folder path (Zimbra's names from the top, "!N" merged) whose folder
// has Zimbra id `folderId` (0 when unknown). A system folder is known by its id where it is the
// folder itself, else by the path's first name; Zimbra Desktop's Outbox, known by its id alone,
// goes to Drafts: its mail was never sent.
FolderRoute routeOfMailboxPath(const std::vector<std::string>& components, int folderId = 0);

// Where a message goes: by its .meta's Path; in an archive without one (a zip export), by its
// entry's folder, the names as the export sanitised them. nullopt for a file of its own
// without a .meta Path, which the disk's folders place as they always did.
std::optional<FolderRoute> routeOfMessage(const source::Item& item);

// The folder a folder item of an archive stands for, made even when empty so the mailbox's
// tree is whole; nullopt for the mailbox's top, hidden folders and folders of contacts,
// appointments, tasks and documents, which hold nothing mail can go to.
std::optional<FolderRoute> routeOfFolder(const source::Item& item);

}  // namespace tolvane::mailbox
