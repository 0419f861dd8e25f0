#include "pst/messaging/PstStore.h"

#include <random>

#include "mapi/Tags.h"
#include "pst/ltp/PropertyContextWriter.h"
#include "pst/ltp/TableContextWriter.h"
#include "pst/messaging/OutlookTemplates.h"
#include "pst/ndb/ByteOrder.h"

namespace tolvane::pst::messaging {

namespace {

using mapi::PropValue;
using ndb::Nid;
using ndb::NidType;
namespace tag = mapi::tag;

// The fixed folders of a new store ([MS-PST] 2.7.3.4) and the NIDs Outlook gives them.
constexpr Nid kIpmSubtree{0x8022};
constexpr Nid kSearchRoot{0x8042};
constexpr Nid kDeletedItems{0x8062};
constexpr Nid kCommonViews{0x8082};
constexpr Nid kSpamSearchFolder{0x2223};
constexpr Nid kSpamSearchUpdateQueue{0x2226};
constexpr Nid kSpamSearchCriteria{0x2227};
constexpr Nid kSpamSearchContents{0x2230};
constexpr Nid kReceiveFolderTable{0x62B};
constexpr Nid kOutgoingQueueTable{0x64C};

std::array<std::uint8_t, 16> randomUid() {
    std::random_device device;
    std::array<std::uint8_t, 16> uid{};
    for (auto& b : uid) {
        b = static_cast<std::uint8_t>(device());
    }
    return uid;
}

void writeNode(ndb::NodeDatabase& db, Nid nid, const ltp::NodeContent& content, Nid parent = {}) {
    db.setNode({nid, content.data, content.subnodes, parent});
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

}  // namespace

PstStore::PstStore(std::unique_ptr<ndb::NodeDatabase> db, std::filesystem::path path,
                   const std::string& displayName, const WriterOptions& options)
    : db_(std::move(db)),
      path_(std::move(path)),
      providerUid_(randomUid()),
      folders_(*db_),
      messages_(*db_, names_),
      options_(options) {
    writeSkeleton(displayName);
    // The empty store is on disk complete, so even a writer that dies leaves a valid store.
    writeCommit();
}

std::chrono::steady_clock::time_point PstStore::now() const {
    return options_.clock ? options_.clock() : std::chrono::steady_clock::now();
}

PstStore::~PstStore() {
    try {
        close();
    } catch (...) {
        // A destructor cannot report; close() explicitly to see the error.
    }
}

std::vector<std::uint8_t> PstStore::entryId(std::uint32_t nid) const {
    // [MS-PST] 2.4.3.2: four flag bytes, the provider UID, the NID.
    std::vector<std::uint8_t> id(24, 0);
    std::copy(providerUid_.begin(), providerUid_.end(), id.begin() + 4);
    ndb::le::put32(id, 20, nid);
    return id;
}

void PstStore::writeStoreProperties(const std::string& displayName) {
    ltp::PropertyContextWriter pc(*db_);
    // A replica GUID of this store between two version numbers, as Outlook writes it.
    mapi::Bytes history(24, 0);
    history[0] = 1;
    history[20] = 1;
    const auto replica = randomUid();
    std::copy(replica.begin(), replica.end(), history.begin() + 4);
    pc.setOwned(tag::kReplVersionhistory.id, PropValue::binary(std::move(history)));
    pc.setOwned(tag::kReplFlags.id, PropValue::int32(0));
    pc.setOwned(tag::kRecordKey.id, PropValue::binary({providerUid_.begin(), providerUid_.end()}));
    pc.setOwned(tag::kDisplayName.id, PropValue::unicode(displayName));
    pc.setOwned(tag::kValidFolderMask.id, PropValue::int32(0xC9));
    pc.setOwned(tag::kIpmSubtreeEntryId.id, PropValue::binary(entryId(kIpmSubtree.value)));
    pc.setOwned(tag::kIpmWastebasketEntryId.id, PropValue::binary(entryId(kDeletedItems.value)));
    pc.setOwned(tag::kCommonViewsEntryId.id, PropValue::binary(entryId(kCommonViews.value)));
    pc.setOwned(tag::kFinderEntryId.id, PropValue::binary(entryId(kSearchRoot.value)));
    // Internal values Outlook sets in every new store.
    pc.setOwned(tag::kPstLrNoRestrictions.id, PropValue::boolean(true));
    pc.setOwned(tag::kLatestPstEnsure.id, PropValue::int32(0x000E0011));
    pc.setOwned(tag::outlook::kProperty66FC.id, PropValue::int32(0x0018B2B3));
    pc.setOwned(tag::kPstPassword.id, PropValue::int32(0));
    writeNode(*db_, ndb::nid::kMessageStore, pc.write());
}

void PstStore::writeSkeleton(const std::string& displayName) {
    ndb::NodeDatabase& db = *db_;
    writeStoreProperties(displayName);

    // Table templates ([MS-PST] 2.4.4.4-2.4.4.6, 2.4.5.3.1, 2.4.6.1.1, 2.4.8.6.2.1).
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

    // The receive folder table: the root receives every message class ("").
    {
        ltp::TableRows rows(ltp::TableLayout::fromColumns(outlook::kReceiveFolderColumns));
        const PropValue anyClass = PropValue::unicode("");
        const PropValue root =
            PropValue::int32(static_cast<std::int32_t>(ndb::nid::kRootFolder.value));
        const ltp::Cell cells[] = {{tag::kMessageClass, &anyClass},
                                   {tag::outlook::kReceiveFolderNid, &root}};
        rows.add(1, 2, cells);
        writeNode(db, kReceiveFolderTable, ltp::writeTable(db, rows));
    }

    // Search: empty queues, the activity list naming the spam search folder, its criteria and
    // its contents table ([MS-PST] 2.4.8, 2.7.3.4.4).
    writeEmptyNode(db, ndb::nid::kSearchManagementQueue);
    writeRaw(db, ndb::nid::kSearchActivityList, outlook::kNode201);
    writeEmptyNode(db, ndb::nid::kSearchDomainObject);
    writeEmptyNode(db, kSpamSearchUpdateQueue);
    {
        ltp::PropertyContextWriter pc(db);
        pc.setOwned(tag::outlook::kProperty660B.id, PropValue::int32(0));
        writeNode(db, kSpamSearchCriteria, pc.write());
    }
    writeEmptyTable(db, kSpamSearchContents, outlook::kSearchContentsColumns);

    // Nodes Outlook writes that [MS-PST] does not describe, with Outlook's content.
    writeRaw(db, Nid{0xC01}, outlook::kNodeC01);
    writeRaw(db, Nid{0xE01}, outlook::kNodeE01);
    writeEmptyNode(db, Nid{0xE41});
    writeEmptyNode(db, Nid{0xEC1});
    writeRaw(db, Nid{0xEE1}, outlook::kNodeEE1);
    writeRaw(db, Nid{0xF01}, outlook::kNodeF01);
    writeEmptyNode(db, Nid{0xF21});

    addSpecialFolders();
}

void PstStore::addSpecialFolders() {
    const auto* hierarchy = &outlook::kHierarchyColumns;
    const auto* contents = &outlook::kContentsColumns;
    const auto* assoc = &outlook::kAssocContentsColumns;
    const Nid root = ndb::nid::kRootFolder;
    folders_.add({root, root, "", {}, {}, hierarchy, contents, &outlook::kRootAssocColumns});
    folders_.add(
        {kSpamSearchFolder, root, "SPAM Search Folder 2", {}, {}, nullptr, nullptr, nullptr});
    // The four folders below take the first normal-folder NIDs, as in Outlook's new store.
    const Nid expected[] = {kIpmSubtree, kSearchRoot, kDeletedItems, kCommonViews};
    for (Nid nid : expected) {
        for (NidType type : {NidType::NormalFolder, NidType::HierarchyTable, NidType::ContentsTable,
                             NidType::AssocContentsTable}) {
            if (db_->allocateNid(type) != Nid::make(type, nid.index())) {
                throw PstError("new store: node id of a special folder is not " +
                               std::to_string(nid.value));
            }
        }
    }
    folders_.add({kIpmSubtree,
                  root,
                  "Top of Personal Folders",
                  {},
                  {},
                  &outlook::kIpmHierarchyColumns,
                  &outlook::kIpmContentsColumns,
                  assoc});
    folders_.add({kSearchRoot,
                  root,
                  "Search Root",
                  {},
                  {},
                  &outlook::kSearchRootHierarchyColumns,
                  contents,
                  assoc});
    folders_.add({kDeletedItems,
                  kIpmSubtree,
                  "Deleted Items",
                  {},
                  "Deleted Items folder",
                  hierarchy,
                  contents,
                  assoc});
    folders_.add({kCommonViews,
                  root,
                  "IPM_COMMON_VIEWS",
                  {},
                  "",
                  hierarchy,
                  contents,
                  &outlook::kCommonViewsAssocColumns});
}

void PstStore::requireOpen() const {
    if (failed_) {
        throw PstWriteError(PstWriteError::Cause::Other, 0,
                            path_.string() +
                                ": an earlier write failed; the file keeps its last "
                                "committed state");
    }
    if (closed_) {
        throw PstError(path_.string() + ": the store is closed");
    }
}

void PstStore::writeFolders() {
    if (names_.size() != writtenNames_ || writtenNames_ == 0) {
        writeNode(*db_, ndb::nid::kNameToIdMap, names_.write(*db_));
        writtenNames_ = names_.size();
    }
    folders_.writeChanged();
}

// The folders' changes, then the node database's commit; the count follows only once the
// new header is written.
void PstStore::writeCommit() {
    db_->prepareCommit();
    writeFolders();
    const std::uint64_t before = db_->commitsWritten();
    try {
        db_->commit();
    } catch (const PstWriteError&) {
        if (db_->commitsWritten() != before) {
            committedMessages_ = addedMessages_;  // the header is in the file; its sync failed
        }
        throw;
    }
    committedMessages_ = addedMessages_;
    lastCommit_ = now();
    bytesAtCommit_ = db_->bytesWritten();
    db_->setCommitReserve(folders_.pendingWriteBytes());
}

void PstStore::commitIfDue() {
    if (now() - lastCommit_ >= options_.commitInterval ||
        db_->bytesWritten() - bytesAtCommit_ >= options_.commitBytes) {
        commit();
    }
}

FolderId PstStore::rootFolder() const {
    return {ndb::nid::kRootFolder.value};
}
FolderId PstStore::ipmSubtree() const {
    return {kIpmSubtree.value};
}
FolderId PstStore::deletedItems() const {
    return {kDeletedItems.value};
}

FolderId PstStore::addFolder(FolderId parent, const std::string& name) {
    requireOpen();
    if (!folders_.isMailFolder(Nid{parent.nid})) {
        throw PstError(path_.string() + ": no folder with node id " + std::to_string(parent.nid));
    }
    const Nid nid = db_->allocateNid(NidType::NormalFolder);
    for (NidType type :
         {NidType::HierarchyTable, NidType::ContentsTable, NidType::AssocContentsTable}) {
        // A folder and its tables share one index ([MS-PST] 2.4.4); keep the counters together.
        if (db_->allocateNid(type).index() != nid.index()) {
            throw PstError(path_.string() + ": folder table ids out of step");
        }
    }
    const auto* hierarchy = &outlook::kHierarchyColumns;
    folders_.add({nid,
                  Nid{parent.nid},
                  name,
                  "IPF.Note",
                  {},
                  hierarchy,
                  &outlook::kContentsColumns,
                  &outlook::kAssocContentsColumns});
    db_->setCommitReserve(folders_.pendingWriteBytes());
    return {nid.value};
}

MessageId PstStore::addMessage(FolderId folder, const mapi::Message& message) {
    requireOpen();
    if (!folders_.isMailFolder(Nid{folder.nid})) {
        throw PstError(path_.string() + ": no folder with node id " + std::to_string(folder.nid));
    }
    const Nid nid = db_->allocateNid(NidType::NormalMessage);
    try {
        const MessageWriter::Written written = messages_.write(message);
        db_->setNode({nid, written.content.data, written.content.subnodes, Nid{folder.nid}});
        std::int32_t flags = 0;
        for (const auto& [id, value] : written.props) {
            if (id == tag::kMessageFlags.id && value->type() == mapi::PropType::Int32) {
                flags = value->asInt32();
            }
        }
        try {
            folders_.addMessage(Nid{folder.nid}, nid, written.props,
                                (flags & tag::kMsgFlagRead) == 0);
        } catch (...) {
            db_->deleteNode(nid);  // no row, no message
            throw;
        }
    } catch (const ndb::GrowthRefused&) {
        stopForSpace();
        throw;
    } catch (const PstWriteError&) {
        fail();
        throw;
    }
    ++addedMessages_;
    db_->setCommitReserve(folders_.pendingWriteBytes());
    commitIfDue();
    return {nid.value};
}

// The file could not grow: what was added before goes into the room held back for a commit.
void PstStore::stopForSpace() {
    try {
        writeCommit();
    } catch (const PstWriteError&) {
        // The commit found no room either: the file keeps the one before.
    }
    fail();
}

void PstStore::commit() {
    requireOpen();
    try {
        writeCommit();
    } catch (const PstWriteError&) {
        fail();
        throw;
    }
}

void PstStore::fail() {
    failed_ = true;
    db_->abandon();
}

void PstStore::close() {
    if (closed_ || failed_) {
        closed_ = true;
        return;
    }
    closed_ = true;
    // The node database closes even when the tables fail, so the file stays valid.
    try {
        db_->prepareCommit();
        writeFolders();
    } catch (const PstWriteError&) {
        fail();
        throw;
    } catch (...) {
        db_->close();
        throw;
    }
    const std::uint64_t before = db_->commitsWritten();
    try {
        db_->close();
    } catch (const PstWriteError&) {
        if (db_->commitsWritten() != before) {
            committedMessages_ = addedMessages_;
        }
        fail();
        throw;
    }
    committedMessages_ = addedMessages_;
}

}  // namespace tolvane::pst::messaging
