#pragma once

// The store's folders ([MS-PST] 2.4.4) while the store is open: names, counts, children and
// the contents-table rows of the messages added, kept compactly in memory. Every folder's
// property context and tables are written once, when the store closes.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mapi/PropValue.h"
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

    // The contents-table row of a message just written, and the folder's counts.
    void addMessage(ndb::Nid folder, ndb::Nid message,
                    const std::vector<std::pair<std::uint16_t, const mapi::PropValue*>>& props,
                    bool unread);

    // Writes every folder: its PC (with counts and the subfolders flag), hierarchy table,
    // contents table and FAI contents table.
    void writeAll();

  private:
    struct Folder {
        FolderSpec definition;
        std::uint32_t rowVersion = 0;
        std::int32_t contentCount = 0;
        std::int32_t unreadCount = 0;
        std::vector<ndb::Nid> children;
        std::unique_ptr<ltp::TableRows> contents;
    };
    Folder& folder(ndb::Nid nid);
    void writeFolder(const Folder& folder);
    void addHierarchyRow(ltp::TableRows& table, const Folder& child) const;

    ndb::NodeDatabase& db_;
    std::map<std::uint32_t, Folder> folders_;
    std::uint32_t nextRowVersion_ = 0;
};

}  // namespace tolvane::pst::messaging
