#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "source/Item.h"

namespace tolvane::source {

// The folder an item lies in, as the mailbox's folder names from its top ("Inbox", "Sub").
struct FolderPath {
    std::vector<std::string> components;
    // From the .meta's Path: Zimbra's real names. Otherwise from the entry's name: names as the
    // archive sanitised them (':' and the like as '_').
    bool fromMeta = false;
};

// For a folder item, the folder itself; for any other item, the folder it is in. From the
// .meta's "Path" when Zimbra wrote one (a folder's own path; for an item in a folder, the
// folder's path and the item's own name, empty for mail, after a '/'); else from the entry
// name's folder part with the batch suffix of its last folder removed ("Inbox!3" holds items
// of "Inbox"). A loose file has no folder of its own here: the disk's folders place it.
FolderPath folderPathOf(const Item& item);

// "Inbox!3" -> "Inbox": the exporter starts a new entry folder every 500 items of a folder,
// marking the whole folder path, so only the last component carries the suffix.
std::string_view withoutBatchSuffix(std::string_view component);

// "/Inbox/Sub/" -> {"Inbox", "Sub"}.
std::vector<std::string> splitMailboxPath(std::string_view path);

}  // namespace tolvane::source
