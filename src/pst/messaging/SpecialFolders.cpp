#include "pst/messaging/SpecialFolders.h"

#include "mapi/Tags.h"
#include "pst/ltp/PropertyContextWriter.h"
#include "pst/ltp/TableContextWriter.h"
#include "pst/messaging/OutlookTemplates.h"
#include "pst/messaging/StoreSkeleton.h"

namespace tolvane::pst::messaging {

namespace {

using mapi::PropValue;
using ndb::Nid;
namespace tag = mapi::tag;

constexpr Nid kReceiveFolderTable{0x62B};

// PidTagValidFolderMask: which of the store's folder pointers are set. Outlook's empty store
// has 0xC9 (IPM subtree, Deleted Items, common views, finder), its default store with every
// pointer 0xFF; the single bits are MAPI's FOLDER_*_VALID.
constexpr std::int32_t kIpmSubtreeValid = 0x01, kInboxValid = 0x02, kOutboxValid = 0x04,
                       kWastebasketValid = 0x08, kSentMailValid = 0x10, kCommonViewsValid = 0x40,
                       kFinderValid = 0x80;

// Slot of Junk E-mail in PidTagAdditionalRenEntryIds (Conflicts, Sync Issues, Local Failures,
// Server Failures, Junk E-mail), and the slots Outlook's default store writes.
constexpr std::size_t kJunkSlot = 4;
constexpr std::size_t kAdditionalSlots = 6;

// The pointers on the root folder and the Inbox, by the folder they name.
struct FolderPointer {
    SpecialFolder folder;
    mapi::PropTag tag;
};
constexpr FolderPointer kFolderPointers[] = {
    {SpecialFolder::Calendar, tag::kIpmAppointmentEntryId},
    {SpecialFolder::Contacts, tag::kIpmContactEntryId},
    {SpecialFolder::Journal, tag::kIpmJournalEntryId},
    {SpecialFolder::Notes, tag::kIpmNoteEntryId},
    {SpecialFolder::Tasks, tag::kIpmTaskEntryId},
    {SpecialFolder::Drafts, tag::kIpmDraftsEntryId},
};

}  // namespace

const char* containerClass(FolderClass folderClass) {
    switch (folderClass) {
        case FolderClass::Note:
            return "IPF.Note";
        case FolderClass::Contact:
            return "IPF.Contact";
        case FolderClass::Appointment:
            return "IPF.Appointment";
        case FolderClass::Task:
            return "IPF.Task";
        case FolderClass::StickyNote:
            return "IPF.StickyNote";
        case FolderClass::Journal:
            return "IPF.Journal";
    }
    throw PstError("unknown folder class");
}

const SpecialFolderKind& kindOf(SpecialFolder which) {
    static const std::map<SpecialFolder, SpecialFolderKind> kinds = {
        {SpecialFolder::Inbox, {"Inbox", FolderClass::Note}},
        {SpecialFolder::Outbox, {"Outbox", FolderClass::Note}},
        {SpecialFolder::SentItems, {"Sent Items", FolderClass::Note}},
        {SpecialFolder::DeletedItems, {"Deleted Items", FolderClass::Note}},
        {SpecialFolder::Drafts, {"Drafts", FolderClass::Note}},
        {SpecialFolder::JunkEmail, {"Junk E-mail", FolderClass::Note}},
        {SpecialFolder::Calendar, {"Calendar", FolderClass::Appointment}},
        {SpecialFolder::Contacts, {"Contacts", FolderClass::Contact}},
        {SpecialFolder::Tasks, {"Tasks", FolderClass::Task}},
        {SpecialFolder::Notes, {"Notes", FolderClass::StickyNote}},
        {SpecialFolder::Journal, {"Journal", FolderClass::Journal}},
    };
    const auto found = kinds.find(which);
    if (found == kinds.end()) {
        throw PstError("unknown special folder");
    }
    return found->second;
}

SpecialFolders::SpecialFolders(const ProviderUid& store, const std::string& displayName)
    : store_(store) {
    // A replica GUID of this store between two version numbers, as Outlook writes it.
    mapi::Bytes history(24, 0);
    history[0] = 1;
    history[20] = 1;
    const auto replica = newUid();
    std::copy(replica.begin(), replica.end(), history.begin() + 4);
    storeProps_.set(tag::kReplVersionhistory, PropValue::binary(std::move(history)));
    storeProps_.set(tag::kReplFlags, PropValue::int32(0));
    storeProps_.set(tag::kRecordKey, PropValue::binary({store.begin(), store.end()}));
    storeProps_.set(tag::kDisplayName, PropValue::unicode(displayName));
    storeProps_.set(tag::kIpmSubtreeEntryId, PropValue::binary(entryId(special::kIpmSubtree)));
    storeProps_.set(tag::kCommonViewsEntryId, PropValue::binary(entryId(special::kCommonViews)));
    storeProps_.set(tag::kFinderEntryId, PropValue::binary(entryId(special::kSearchRoot)));
    // Internal values Outlook sets in every new store.
    storeProps_.set(tag::kPstLrNoRestrictions, PropValue::boolean(true));
    storeProps_.set(tag::kLatestPstEnsure, PropValue::int32(0x000E0011));
    storeProps_.set(tag::outlook::kProperty66FC, PropValue::int32(0x0018B2B3));
    storeProps_.set(tag::kPstPassword, PropValue::int32(0));
    folders_.emplace(SpecialFolder::DeletedItems, special::kDeletedItems);
}

std::vector<std::uint8_t> SpecialFolders::entryId(Nid folder) const {
    return entryIdOf(store_, folder.value);
}

std::optional<Nid> SpecialFolders::find(SpecialFolder which) const {
    const auto found = folders_.find(which);
    return found == folders_.end() ? std::nullopt : std::optional<Nid>(found->second);
}

void SpecialFolders::add(SpecialFolder which, Nid folder, FolderTree& folders) {
    if (!folders_.emplace(which, folder).second) {
        throw PstError("special folder " + std::string(kindOf(which).name) + " exists already");
    }
    changed_ = true;
    setFolderPointers(ndb::nid::kRootFolder, folders);
    if (const auto inbox = find(SpecialFolder::Inbox)) {
        setFolderPointers(*inbox, folders);
    }
}

// Outlook reads these on the Inbox first, then on the root folder: both carry them.
void SpecialFolders::setFolderPointers(Nid folder, FolderTree& folders) const {
    for (const FolderPointer& pointer : kFolderPointers) {
        if (const auto target = find(pointer.folder)) {
            folders.setProperty(folder, pointer.tag, PropValue::binary(entryId(*target)));
        }
    }
    if (const auto junk = find(SpecialFolder::JunkEmail)) {
        std::vector<mapi::Bytes> slots(kAdditionalSlots);
        slots[kJunkSlot] = entryId(*junk);
        folders.setProperty(folder, tag::kAdditionalRenEntryIds,
                            PropValue::mvBinary(std::move(slots)));
    }
}

void SpecialFolders::writeStore(ndb::NodeDatabase& db) const {
    ltp::PropertyContextWriter pc(db);
    for (const auto& [id, value] : storeProps_.tagged()) {
        pc.set(id, value);
    }
    std::int32_t valid = kIpmSubtreeValid | kCommonViewsValid | kFinderValid;
    const struct {
        SpecialFolder folder;
        mapi::PropTag tag;
        std::int32_t bit;
    } storePointers[] = {
        {SpecialFolder::Outbox, tag::kIpmOutboxEntryId, kOutboxValid},
        {SpecialFolder::DeletedItems, tag::kIpmWastebasketEntryId, kWastebasketValid},
        {SpecialFolder::SentItems, tag::kIpmSentMailEntryId, kSentMailValid},
    };
    for (const auto& pointer : storePointers) {
        if (const auto target = find(pointer.folder)) {
            pc.setOwned(pointer.tag.id, PropValue::binary(entryId(*target)));
            valid |= pointer.bit;
        }
    }
    if (find(SpecialFolder::Inbox)) {
        valid |= kInboxValid;  // through the receive-folder table
    }
    pc.setOwned(tag::kValidFolderMask.id, PropValue::int32(valid));
    const ltp::NodeContent content = pc.write();
    db.setNode({ndb::nid::kMessageStore, content.data, content.subnodes, {}});
}

// Message class -> the folder that receives it, by NID (Outlook's own column, learnt from its
// files). A new store's root receives everything; once there is an Inbox, Outlook's default
// store sends "", IPM and Report.IPM there and keeps IPC at the root.
void SpecialFolders::writeReceiveFolders(ndb::NodeDatabase& db) const {
    ltp::TableRows rows(ltp::TableLayout::fromColumns(outlook::kReceiveFolderColumns));
    const Nid root = ndb::nid::kRootFolder;
    const auto inbox = find(SpecialFolder::Inbox);
    std::vector<std::pair<std::string, Nid>> receivers;
    if (inbox) {
        receivers = {{"", *inbox}, {"IPM", *inbox}, {"Report.IPM", *inbox}, {"IPC", root}};
    } else {
        receivers = {{"", root}};
    }
    std::uint32_t rowId = 0;
    for (const auto& [messageClass, folder] : receivers) {
        const PropValue cls = PropValue::unicode(messageClass);
        const PropValue nid = PropValue::int32(static_cast<std::int32_t>(folder.value));
        const ltp::Cell cells[] = {{tag::kMessageClass, &cls},
                                   {tag::outlook::kReceiveFolderNid, &nid}};
        ++rowId;
        rows.add(rowId, rowId + 1, cells);
    }
    const ltp::NodeContent content = ltp::writeTable(db, rows);
    db.setNode({kReceiveFolderTable, content.data, content.subnodes, {}});
}

void SpecialFolders::writeChanged(ndb::NodeDatabase& db) {
    if (changed_) {
        writeStore(db);
        writeReceiveFolders(db);
        changed_ = false;
    }
}

std::uint64_t SpecialFolders::pendingWriteBytes() const {
    return changed_ ? 2 * (ndb::kMaxBlockData + 64) : 0;
}

}  // namespace tolvane::pst::messaging
