#include "pst/messaging/StoreSkeleton.h"

#include <random>

#include "mapi/Tags.h"
#include "pst/ltp/PropertyContextWriter.h"
#include "pst/ltp/TableContextWriter.h"
#include "pst/messaging/OutlookTemplates.h"
#include "pst/messaging/SpecialFolders.h"
#include "pst/ndb/ByteOrder.h"

namespace tolvane::pst::messaging {

namespace {

using mapi::PropValue;
using ndb::Nid;
using ndb::NidType;
namespace tag = mapi::tag;
using namespace special;

constexpr Nid kSpamSearchUpdateQueue{0x2226};
constexpr Nid kSpamSearchCriteria{0x2227};
constexpr Nid kSpamSearchContents{0x2230};
constexpr Nid kOutgoingQueueTable{0x64C};

void writeNode(ndb::NodeDatabase& db, Nid nid, const ltp::NodeContent& content) {
    db.setNode({nid, content.data, content.subnodes, {}});
}

void writeRaw(ndb::NodeDatabase& db, Nid nid, const std::vector<std::uint8_t>& bytes) {
    db.setNode({nid, db.writeData(bytes), {}, {}});
}

void writeEmptyTable(ndb::NodeDatabase& db, Nid nid, const std::vector<ltp::TColumn>& columns) {
    writeNode(db, nid, ltp::writeTable(db, ltp::TableRows(ltp::TableLayout::fromColumns(columns))));
}

// A node that Outlook creates with no data at all (queues, search domain).
void writeEmptyNode(ndb::NodeDatabase& db, Nid nid) {
    db.setNode({nid, {}, {}, {}});
}

// Table templates ([MS-PST] 2.4.4.4-2.4.4.6, 2.4.5.3.1, 2.4.6.1.1, 2.4.8.6.2.1) and the other
// tables of an empty store.
void writeTables(ndb::NodeDatabase& db, const SpecialFolders& specials) {
    writeEmptyTable(db, ndb::nid::kHierarchyTableTemplate, outlook::kHierarchyColumns);
    writeEmptyTable(db, ndb::nid::kContentsTableTemplate, outlook::kContentsColumns);
    writeEmptyTable(db, ndb::nid::kAssocContentsTableTemplate, outlook::kAssocContentsColumns);
    writeEmptyTable(db, ndb::nid::kSearchContentsTableTemplate, outlook::kSearchContentsColumns);
    writeEmptyTable(db, ndb::nid::kAttachmentTableTemplate, outlook::kAttachmentColumns);
    writeEmptyTable(db, ndb::nid::kRecipientTableTemplate, outlook::kRecipientColumns);
    writeEmptyTable(db, kOutgoingQueueTable, outlook::kOutgoingQueueColumns);
    writeEmptyTable(db, Nid{0x6B6}, outlook::kTable6B6Columns);
    writeEmptyTable(db, Nid{0x6D7}, outlook::kTable6D7Columns);
    writeEmptyTable(db, Nid{0x6F8}, outlook::kTable6F8Columns);

    specials.writeReceiveFolders(db);
}

// Search: empty queues, the activity list naming the spam search folder, its criteria and its
// contents table ([MS-PST] 2.4.8, 2.7.3.4.4).
void writeSearchNodes(ndb::NodeDatabase& db) {
    writeEmptyNode(db, ndb::nid::kSearchManagementQueue);
    writeRaw(db, ndb::nid::kSearchActivityList, outlook::kNode201);
    writeEmptyNode(db, ndb::nid::kSearchDomainObject);
    writeEmptyNode(db, kSpamSearchUpdateQueue);
    ltp::PropertyContextWriter pc(db);
    pc.setOwned(tag::outlook::kProperty660B.id, PropValue::int32(0));
    writeNode(db, kSpamSearchCriteria, pc.write());
    writeEmptyTable(db, kSpamSearchContents, outlook::kSearchContentsColumns);
}

// Nodes Outlook writes that [MS-PST] does not describe, with Outlook's content.
void writeOutlooksOwnNodes(ndb::NodeDatabase& db) {
    writeRaw(db, Nid{0xC01}, outlook::kNodeC01);
    writeRaw(db, Nid{0xE01}, outlook::kNodeE01);
    writeEmptyNode(db, Nid{0xE41});
    writeEmptyNode(db, Nid{0xEC1});
    writeRaw(db, Nid{0xEE1}, outlook::kNodeEE1);
    writeRaw(db, Nid{0xF01}, outlook::kNodeF01);
    writeEmptyNode(db, Nid{0xF21});
}

void addSpecialFolders(ndb::NodeDatabase& db, FolderTree& folders) {
    const auto* hierarchy = &outlook::kHierarchyColumns;
    const auto* contents = &outlook::kContentsColumns;
    const auto* assoc = &outlook::kAssocContentsColumns;
    const Nid root = ndb::nid::kRootFolder;
    folders.add({root, root, "", {}, {}, hierarchy, contents, &outlook::kRootAssocColumns});
    folders.add(
        {kSpamSearchFolder, root, "SPAM Search Folder 2", {}, {}, nullptr, nullptr, nullptr});
    // In Outlook's new store these take the first normal-folder NIDs, in this order.
    const FolderSpec numbered[] = {
        {kIpmSubtree,
         root,
         "Top of Personal Folders",
         {},
         {},
         &outlook::kIpmHierarchyColumns,
         &outlook::kIpmContentsColumns,
         assoc},
        {kSearchRoot,
         root,
         "Search Root",
         {},
         {},
         &outlook::kSearchRootHierarchyColumns,
         contents,
         assoc},
        {kDeletedItems,
         kIpmSubtree,
         "Deleted Items",
         {},
         "Deleted Items folder",
         hierarchy,
         contents,
         assoc},
        {kCommonViews,
         root,
         "IPM_COMMON_VIEWS",
         {},
         "",
         hierarchy,
         contents,
         &outlook::kCommonViewsAssocColumns},
    };
    for (const FolderSpec& folder : numbered) {
        for (NidType type : {NidType::NormalFolder, NidType::HierarchyTable, NidType::ContentsTable,
                             NidType::AssocContentsTable}) {
            if (db.allocateNid(type) != Nid::make(type, folder.nid.index())) {
                throw PstError("new store: node id of a special folder is not " +
                               std::to_string(folder.nid.value));
            }
        }
    }
    for (const FolderSpec& folder : numbered) {
        folders.add(folder);
    }
}

}  // namespace

ProviderUid newUid() {
    std::random_device device;
    ProviderUid uid{};
    for (auto& b : uid) {
        b = static_cast<std::uint8_t>(device());
    }
    return uid;
}

std::vector<std::uint8_t> entryIdOf(const ProviderUid& store, std::uint32_t nid) {
    std::vector<std::uint8_t> id(24, 0);
    std::copy(store.begin(), store.end(), id.begin() + 4);
    ndb::le::put32(id, 20, nid);
    return id;
}

void writeEmptyStore(ndb::NodeDatabase& db, FolderTree& folders, const SpecialFolders& specials) {
    specials.writeStore(db);
    writeTables(db, specials);
    writeSearchNodes(db);
    writeOutlooksOwnNodes(db);
    addSpecialFolders(db, folders);
}

}  // namespace tolvane::pst::messaging
