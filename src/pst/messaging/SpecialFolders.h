#pragma once

// Outlook's special folders and the pointers it finds them by: it never goes by a folder's
// name. The message store's entry ids name the IPM subtree, Deleted Items, Outbox, Sent Items
// and the search and views folders, with PidTagValidFolderMask saying which are set; the
// receive-folder table names the Inbox; the entry ids on the root folder and the Inbox name
// Drafts, Junk E-mail, Calendar, Contacts, Journal, Notes and Tasks. This class keeps which
// special folders exist and writes every pointer to them; the folders themselves live in the
// FolderTree like any other.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "mapi/PropertyList.h"
#include "pst/PstWriter.h"
#include "pst/messaging/FolderTree.h"
#include "pst/messaging/StoreSkeleton.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::messaging {

// The container class Outlook gives a folder of the class: "IPF.Note", "IPF.Contact"...
const char* containerClass(FolderClass folderClass);

// Outlook's English name of the special folder and the class of what it holds.
struct SpecialFolderKind {
    const char* name;
    FolderClass folderClass;
};
const SpecialFolderKind& kindOf(SpecialFolder which);

class SpecialFolders {
  public:
    // The store starts with the special folders of Outlook's new empty store.
    SpecialFolders(const ProviderUid& store, const std::string& displayName);

    std::optional<ndb::Nid> find(SpecialFolder which) const;
    // Records the folder as the special one and sets the pointers on the root folder and the
    // Inbox through `folders`; the store and the receive-folder table follow at writeChanged.
    void add(SpecialFolder which, ndb::Nid folder, FolderTree& folders);

    // The message store's property context and the receive-folder table, as they are now.
    void writeStore(ndb::NodeDatabase& db) const;
    void writeReceiveFolders(ndb::NodeDatabase& db) const;
    // Both again if a special folder came since the last call.
    void writeChanged(ndb::NodeDatabase& db);
    std::uint64_t pendingWriteBytes() const;

  private:
    std::vector<std::uint8_t> entryId(ndb::Nid folder) const;
    void setFolderPointers(ndb::Nid folder, FolderTree& folders) const;

    ProviderUid store_;
    mapi::PropertyList storeProps_;  // what Outlook's new store holds, pointers aside
    std::map<SpecialFolder, ndb::Nid> folders_;
    bool changed_ = false;
};

}  // namespace tolvane::pst::messaging
