#pragma once

// The store's folders ([MS-PST] 2.4.4) while the store is open: names, counts and children in
// memory, and each folder's contents table growing on disk. A commit writes what changed
// since the last one: the property contexts and hierarchy tables of folders whose counts or
// children changed, and the new rows of contents tables.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mapi/PropValue.h"
#include "pst/ltp/GrowingTable.h"
#include "pst/ltp/TableRows.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::messaging {

struct FolderSpec {
    ndb::Nid nid;
    ndb::Nid parent;  // the root folder is its own parent
    std::string name;
    std::optional<std::string> containerClass;
    std::optional<std::string> comment;
    // Columns of the folder's three tables; a search folder has none of them.
    const std::vector<ltp::TColumn>* hierarchyColumns = nullptr;
    const std::vector<ltp::TColumn>* contentsColumns = nullptr;
    const std::vector<ltp::TColumn>* assocColumns = nullptr;
};

class FolderTree {
  public:
    explicit FolderTree(ndb::NodeDatabase& db) : db_(db) {}

    // Registers a folder below its parent (which must be known, and not a search folder).
    void add(const FolderSpec& definition);
    bool isMailFolder(ndb::Nid nid) const;
    // The child of parent with that name (ASCII letters in any case), if there is one.
    std::optional<ndb::Nid> child(ndb::Nid parent, const std::string& name) const;
    const FolderSpec& definition(ndb::Nid nid) const;
    // A property of the folder's PC beyond name, counts and class (a pointer to a special
    // folder, say); a later value replaces an earlier one.
    void setProperty(ndb::Nid folder, mapi::PropTag tag, mapi::PropValue value);

    // The contents-table row of a message just written, and the folder's counts.
    void addMessage(ndb::Nid folder, ndb::Nid message,
                    const std::vector<std::pair<std::uint16_t, const mapi::PropValue*>>& props,
                    bool unread);

    // Writes what changed since the last call: PCs (counts, subfolders flag), hierarchy
    // tables, the new rows of contents tables, and a new folder's FAI contents table.
    void writeChanged();
    // A generous guess of the bytes the next writeChanged() takes.
    std::uint64_t pendingWriteBytes() const;

  private:
    struct Folder {
        FolderSpec definition;
        std::uint32_t rowVersion = 0;
        std::int32_t contentCount = 0;
        std::int32_t unreadCount = 0;
        std::vector<ndb::Nid> children;
        std::map<std::uint16_t, mapi::PropValue> extra;  // by property id
        std::unique_ptr<ltp::GrowingTable> contents;
        bool written = false;
        bool propsChanged = true;
        bool childrenChanged = true;
        bool rowsAdded = true;
    };
    Folder& folder(ndb::Nid nid);
    const Folder& folder(ndb::Nid nid) const;
    void changed(Folder& f);
    void writeFolder(Folder& folder);
    void addHierarchyRow(ltp::TableRows& table, const Folder& child) const;

    ndb::NodeDatabase& db_;
    std::map<std::uint32_t, Folder> folders_;
    std::uint32_t nextRowVersion_ = 0;
    std::size_t changedFolders_ = 0;
    std::uint64_t pendingRowBytes_ = 0;
};

}  // namespace tolvane::pst::messaging
