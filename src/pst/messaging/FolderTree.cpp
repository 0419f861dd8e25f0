#include "pst/messaging/FolderTree.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "mapi/Tags.h"
#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ltp/PropertyContextWriter.h"
#include "pst/ltp/TableContextWriter.h"

namespace tolvane::pst::messaging {

namespace {

using mapi::PropValue;
namespace tag = mapi::tag;

ndb::Nid sibling(ndb::Nid folder, ndb::NidType type) {
    return ndb::Nid::make(type, folder.index());
}

}  // namespace

void FolderTree::add(const FolderSpec& definition) {
    const bool isRoot = definition.parent == definition.nid;
    if (!isRoot) {
        Folder& parent = folder(definition.parent);
        if (!parent.definition.hierarchyColumns) {
            throw PstError("folder " + hex(definition.parent.value, 8) + " cannot hold folders");
        }
        if (folders_.count(definition.nid.value) == 0) {
            parent.children.push_back(definition.nid);
            parent.childrenChanged = true;
            changed(parent);
        }
    }
    Folder f;
    f.definition = definition;
    f.rowVersion = ++nextRowVersion_;
    if (definition.contentsColumns) {
        f.contents = std::make_unique<ltp::GrowingTable>(
            db_, ltp::TableLayout::fromColumns(*definition.contentsColumns));
    }
    const auto [it, inserted] = folders_.emplace(definition.nid.value, std::move(f));
    if (!inserted) {
        throw PstError("folder " + hex(definition.nid.value, 8) + " exists already");
    }
    ++changedFolders_;
}

// A folder whose PC changed changes its row in the parent's hierarchy table too.
void FolderTree::changed(Folder& f) {
    if (!f.propsChanged) {
        f.propsChanged = true;
        ++changedFolders_;
    }
    const ndb::Nid parent = f.definition.parent;
    if (parent != f.definition.nid) {
        Folder& p = folder(parent);
        if (!p.childrenChanged) {
            p.childrenChanged = true;
            if (!p.propsChanged) {
                ++changedFolders_;
            }
        }
    }
}

FolderTree::Folder& FolderTree::folder(ndb::Nid nid) {
    return const_cast<Folder&>(std::as_const(*this).folder(nid));
}

const FolderTree::Folder& FolderTree::folder(ndb::Nid nid) const {
    auto found = folders_.find(nid.value);
    if (found == folders_.end()) {
        throw PstError("no folder with node id " + hex(nid.value, 8));
    }
    return found->second;
}

const FolderSpec& FolderTree::definition(ndb::Nid nid) const {
    return folder(nid).definition;
}

std::optional<ndb::Nid> FolderTree::child(ndb::Nid parent, const std::string& name) const {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
        return s;
    };
    for (ndb::Nid c : folder(parent).children) {
        if (lower(folder(c).definition.name) == lower(name)) {
            return c;
        }
    }
    return std::nullopt;
}

// Only the folder's PC changes: its row in the parent's hierarchy table holds none of these.
void FolderTree::setProperty(ndb::Nid nid, mapi::PropTag tag, PropValue value) {
    Folder& f = folder(nid);
    f.extra.insert_or_assign(tag.id, std::move(value));
    if (!f.propsChanged) {
        f.propsChanged = true;
        ++changedFolders_;
    }
}

bool FolderTree::isMailFolder(ndb::Nid nid) const {
    auto found = folders_.find(nid.value);
    return found != folders_.end() && found->second.contents &&
           found->second.definition.hierarchyColumns;
}

void FolderTree::addMessage(ndb::Nid folderNid, ndb::Nid message,
                            const std::vector<std::pair<std::uint16_t, const PropValue*>>& props,
                            bool unread) {
    Folder& f = folder(folderNid);
    if (!f.contents) {
        throw PstError("folder " + hex(folderNid.value, 8) + " cannot hold messages");
    }
    std::vector<ltp::Cell> cells;
    cells.reserve(props.size());
    for (const auto& [id, value] : props) {
        cells.push_back({mapi::PropTag{id, value->type()}, value});
    }
    f.contents->add(message.value, ++nextRowVersion_, cells);
    f.rowsAdded = true;
    pendingRowBytes_ += 256 + 64 * cells.size();
    ++f.contentCount;
    f.unreadCount += unread ? 1 : 0;
    changed(f);
}

std::uint64_t FolderTree::pendingWriteBytes() const {
    // A PC, a hierarchy table and the rewritten end of a contents table each.
    return changedFolders_ * 6 * (ndb::kMaxBlockData + 64) + 2 * pendingRowBytes_;
}

// A child's row mirrors its PC ([MS-PST] 2.4.4.4.1): name, counts, subfolders, class.
void FolderTree::addHierarchyRow(ltp::TableRows& table, const Folder& child) const {
    std::deque<PropValue> values;
    std::vector<ltp::Cell> cells;
    auto add = [&](mapi::PropTag column, PropValue value) {
        values.push_back(std::move(value));
        cells.push_back({column, &values.back()});
    };
    add(tag::kDisplayName, PropValue::unicode(child.definition.name));
    add(tag::kContentCount, PropValue::int32(child.contentCount));
    add(tag::kContentUnreadCount, PropValue::int32(child.unreadCount));
    add(tag::kSubfolders, PropValue::boolean(!child.children.empty()));
    if (child.definition.containerClass) {
        add(tag::kContainerClass, PropValue::unicode(*child.definition.containerClass));
    }
    table.add(child.definition.nid.value, child.rowVersion, cells);
}

void FolderTree::writeFolder(Folder& f) {
    const ndb::Nid nid = f.definition.nid;
    if (f.propsChanged) {
        ltp::PropertyContextWriter pc(db_);
        pc.setOwned(tag::kDisplayName.id, PropValue::unicode(f.definition.name));
        if (f.definition.comment) {
            pc.setOwned(tag::kComment.id, PropValue::unicode(*f.definition.comment));
        }
        pc.setOwned(tag::kContentCount.id, PropValue::int32(f.contentCount));
        pc.setOwned(tag::kContentUnreadCount.id, PropValue::int32(f.unreadCount));
        pc.setOwned(tag::kSubfolders.id, PropValue::boolean(!f.children.empty()));
        if (f.definition.containerClass) {
            pc.setOwned(tag::kContainerClass.id, PropValue::unicode(*f.definition.containerClass));
        }
        for (const auto& [id, value] : f.extra) {
            pc.set(id, value);
        }
        const ltp::NodeContent content = pc.write();
        db_.setNode({nid, content.data, content.subnodes, f.definition.parent});
    }
    if (f.definition.hierarchyColumns) {
        auto setTable = [&](ndb::NidType type, const ltp::NodeContent& table) {
            db_.setNode({sibling(nid, type), table.data, table.subnodes, ndb::Nid{}});
        };
        if (f.childrenChanged) {
            ltp::TableRows hierarchy(ltp::TableLayout::fromColumns(*f.definition.hierarchyColumns));
            for (ndb::Nid child : f.children) {
                addHierarchyRow(hierarchy, folders_.at(child.value));
            }
            setTable(ndb::NidType::HierarchyTable, ltp::writeTable(db_, hierarchy));
        }
        if (f.rowsAdded) {
            setTable(ndb::NidType::ContentsTable, f.contents->write());
        }
        if (!f.written) {
            setTable(ndb::NidType::AssocContentsTable,
                     ltp::writeTable(db_, ltp::TableRows(ltp::TableLayout::fromColumns(
                                              *f.definition.assocColumns))));
        }
    }
    f.written = true;
    f.propsChanged = f.childrenChanged = f.rowsAdded = false;
}

void FolderTree::writeChanged() {
    for (auto& [nid, f] : folders_) {
        if (!f.written || f.propsChanged || f.childrenChanged || f.rowsAdded) {
            writeFolder(f);
        }
    }
    changedFolders_ = 0;
    pendingRowBytes_ = 0;
}

}  // namespace tolvane::pst::messaging
