#include "pst/messaging/PstStore.h"

#include "mapi/Tags.h"
#include "pst/messaging/FolderClasses.h"
#include "pst/messaging/NodeWrite.h"
#include "pst/messaging/OutlookTemplates.h"
#include "pst/messaging/StoreSkeleton.h"

namespace tolvane::pst::messaging {

namespace {

using ndb::Nid;
using ndb::NidType;
namespace tag = mapi::tag;

}  // namespace

PstStore::PstStore(std::unique_ptr<ndb::NodeDatabase> db, std::filesystem::path path,
                   const std::string& displayName, const WriterOptions& options)
    : db_(std::move(db)),
      path_(std::move(path)),
      providerUid_(newUid()),
      specials_(providerUid_, displayName),
      folders_(*db_),
      messages_(*db_, names_),
      options_(options) {
    try {
        writeEmptyStore(*db_, folders_, specials_);
        // The file takes its name with this commit, the empty store whole in it: a writer
        // that dies before leaves no file, one that dies after a valid store.
        writeCommit();
    } catch (...) {
        db_->abandon();  // a store never committed never gets a name
        throw;
    }
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
    return entryIdOf(providerUid_, nid);
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
        setNode(*db_, ndb::nid::kNameToIdMap, names_.write(*db_));
        writtenNames_ = names_.size();
    }
    specials_.writeChanged(*db_);
    folders_.writeChanged();
}

// Room for everything the next commit writes, held back while the file can still grow.
void PstStore::reserveForCommit() {
    db_->setCommitReserve(folders_.pendingWriteBytes() + specials_.pendingWriteBytes());
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
    reserveForCommit();
}

void PstStore::commitIfDue() {
    if (now() - lastCommit_ >= options_.commitInterval ||
        db_->bytesWritten() - bytesAtCommit_ >= options_.commitBytes ||
        folders_.pendingWriteBytes() >= options_.commitHeldBytes) {
        commit();
    }
}

FolderId PstStore::rootFolder() const {
    return {ndb::nid::kRootFolder.value};
}
FolderId PstStore::ipmSubtree() const {
    return {special::kIpmSubtree.value};
}
FolderId PstStore::deletedItems() const {
    return {special::kDeletedItems.value};
}

FolderId PstStore::specialFolder(SpecialFolder which) {
    requireOpen();
    if (const auto known = specials_.find(which)) {
        return {known->value};
    }
    const SpecialFolderKind& kind = kindOf(which);
    // A folder of that name the caller made itself becomes the special one: Outlook keeps
    // folder names unique among siblings.
    Nid nid;
    if (const auto existing = folders_.child(special::kIpmSubtree, kind.name)) {
        if (folders_.definition(*existing).containerClass != containerClass(kind.folderClass)) {
            throw PstError(path_.string() + ": the folder '" + kind.name +
                           "' exists with another class");
        }
        nid = *existing;
    } else {
        nid = newFolder(special::kIpmSubtree, kind.name, kind.folderClass);
    }
    specials_.add(which, nid, folders_);
    reserveForCommit();
    return {nid.value};
}

FolderId PstStore::addFolder(FolderId parent, const std::string& name, FolderClass folderClass) {
    requireOpen();
    if (!folders_.isMailFolder(Nid{parent.nid})) {
        throw PstError(path_.string() + ": no folder with node id " + std::to_string(parent.nid));
    }
    const Nid nid = newFolder(Nid{parent.nid}, name, folderClass);
    reserveForCommit();
    return {nid.value};
}

Nid PstStore::newFolder(Nid parent, const std::string& name, FolderClass folderClass) {
    const Nid nid = db_->allocateNid(NidType::NormalFolder);
    for (NidType type :
         {NidType::HierarchyTable, NidType::ContentsTable, NidType::AssocContentsTable}) {
        // A folder and its tables share one index ([MS-PST] 2.4.4); keep the counters together.
        if (db_->allocateNid(type).index() != nid.index()) {
            throw PstError(path_.string() + ": folder table ids out of step");
        }
    }
    auto columns = contentsColumns_.find(folderClass);
    if (columns == contentsColumns_.end()) {
        columns = contentsColumns_.emplace(folderClass, contentsColumns(folderClass, names_)).first;
    }
    folders_.add({nid,
                  parent,
                  name,
                  containerClass(folderClass),
                  {},
                  &outlook::kHierarchyColumns,
                  &columns->second,
                  &outlook::kAssocContentsColumns});
    return nid;
}

MessageId PstStore::addMessage(FolderId folder, const mapi::Message& message) {
    requireOpen();
    if (!folders_.isMailFolder(Nid{folder.nid})) {
        throw PstError(path_.string() + ": no folder with node id " + std::to_string(folder.nid));
    }
    const Nid nid = db_->allocateNid(NidType::NormalMessage);
    try {
        const MessageWriter::Written written = messages_.write(message);
        setNode(*db_, nid, written.content, Nid{folder.nid});
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
    reserveForCommit();
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
