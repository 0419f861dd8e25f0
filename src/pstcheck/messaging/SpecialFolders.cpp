#include "pstcheck/messaging/SpecialFolders.h"

#include <optional>
#include <string>
#include <vector>

#include "pstcheck/Guard.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/ltp/TableContext.h"
#include "pstcheck/messaging/Ids.h"

namespace tolvane::pstcheck {
namespace {

constexpr std::uint32_t kRecordKey = 0x0FF90102, kValidFolderMask = 0x35DF0003,
                        kReceiveFolderNid = 0x66050003, kAdditionalRenEntryIds = 0x36D81102;
constexpr std::uint32_t kReceiveFolderTable = 0x62B;
constexpr std::uint32_t kInboxValid = 0x02;
constexpr std::size_t kEntryIdSize = 24;  // [2.4.3.2] flags, provider UID, NID
constexpr std::size_t kJunkSlot = 4;

// A pointer and the class of the folder it must name: none for any folder, "IPF.Note" for
// mail. Outlook's own Deleted Items, Outbox, Sent Items and Inbox may carry no class at all.
struct Pointer {
    std::uint32_t tag;
    const char* field;
    const char* folderClass;
    std::uint32_t validBit;  // its bit in PidTagValidFolderMask, for the store's
};
constexpr Pointer kStorePointers[] = {
    {0x35E00102, "PidTagIpmSubTreeEntryId", nullptr, 0x01},
    {0x35E20102, "PidTagIpmOutboxEntryId", "IPF.Note", 0x04},
    {0x35E30102, "PidTagIpmWastebasketEntryId", "IPF.Note", 0x08},
    {0x35E40102, "PidTagIpmSentMailEntryId", "IPF.Note", 0x10},
    {0x35E50102, "PidTagViewsEntryId", nullptr, 0x20},
    {0x35E60102, "PidTagCommonViewsEntryId", nullptr, 0x40},
    {0x35E70102, "PidTagFinderEntryId", nullptr, 0x80},
};
constexpr Pointer kFolderPointers[] = {
    {0x36D00102, "PidTagIpmAppointmentEntryId", "IPF.Appointment", 0},
    {0x36D10102, "PidTagIpmContactEntryId", "IPF.Contact", 0},
    {0x36D20102, "PidTagIpmJournalEntryId", "IPF.Journal", 0},
    {0x36D30102, "PidTagIpmNoteEntryId", "IPF.StickyNote", 0},
    {0x36D40102, "PidTagIpmTaskEntryId", "IPF.Task", 0},
    {0x36D70102, "PidTagIpmDraftsEntryId", "IPF.Note", 0},
};

// PtypMultipleBinary as a PC holds it ([MS-PST] 2.3.3.4.2): count, offsets, values.
std::optional<std::vector<std::vector<std::uint8_t>>> multipleBinary(
    const std::vector<std::uint8_t>& raw) {
    const Bytes b(raw);
    if (raw.size() < 4) {
        return std::nullopt;
    }
    const std::uint32_t count = u32(b, 0);
    if (count > (raw.size() - 4) / 4) {
        return std::nullopt;
    }
    std::vector<std::vector<std::uint8_t>> out;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t start = u32(b, 4 + 4 * i);
        const std::size_t end = i + 1 < count ? u32(b, 8 + 4 * i) : raw.size();
        if (start > end || end > raw.size()) {
            return std::nullopt;
        }
        out.emplace_back(raw.begin() + static_cast<std::ptrdiff_t>(start),
                         raw.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return out;
}

class SpecialFolderChecker {
  public:
    SpecialFolderChecker(const BTrees& t, BlockSource& b, const std::map<std::uint32_t, Folder>& f,
                         Report& r)
        : trees_(t), blocks_(b), folders_(f), r_(r) {}

    void run() {
        const std::string where = "nid " + hex(nid::kMessageStore);
        const auto node = trees_.nbt.find(nid::kMessageStore);
        if (node == trees_.nbt.end()) {
            r_.add("STORE", "missing", "the message store node does not exist", where);
            return;
        }
        // The store's own structure is checked here, as no other check opens it.
        const auto store =
            PropertyContext::open(blocks_, node->second.bidData, node->second.bidSub, where, r_);
        if (!store) {
            return;
        }
        if (const auto key = store->bytes(kRecordKey); key && key->size() == 16) {
            uid_ = *key;
        } else {
            r_.add("STORE", "PidTagRecordKey", "missing or not 16 bytes", where);
        }
        const auto mask = store->int32(kValidFolderMask);
        for (const Pointer& p : kStorePointers) {
            const auto entryId = store->bytes(p.tag);
            if (entryId) {
                target(*entryId, p, "STORE", where);
            } else if (p.validBit == 0x01) {
                r_.add("STORE", p.field, "missing", where);
            }
            if (mask && ((*mask & p.validBit) != 0) != entryId.has_value()) {
                r_.add("STORE", "PidTagValidFolderMask",
                       "bit " + hex(p.validBit) + (entryId ? " is clear, " : " is set, ") +
                           p.field + (entryId ? " is set" : " is absent"),
                       where);
            }
        }
        const std::optional<std::uint32_t> inbox = receiveFolders();
        if (mask && ((*mask & kInboxValid) != 0) != inbox.has_value()) {
            r_.add("STORE", "PidTagValidFolderMask",
                   "bit " + hex(kInboxValid) + (inbox ? " is clear" : " is set") +
                       ", the receive-folder table names " + (inbox ? "an Inbox" : "no Inbox"),
                   where);
        }
        const auto root = folderPointers(nid::kRootFolder, "ROOT_FOLDER");
        if (inbox) {
            const auto own = folderPointers(*inbox, "INBOX");
            for (const auto& [tag, value] : own) {
                const auto there = root.find(tag);
                if (there != root.end() && there->second != value) {
                    r_.add("INBOX", fieldName(tag), "names another folder than the root folder's",
                           "nid " + hex(*inbox));
                }
            }
        }
    }

  private:
    static const char* fieldName(std::uint32_t tag) {
        for (const Pointer& p : kFolderPointers) {
            if (p.tag == tag) {
                return p.field;
            }
        }
        return "PidTagAdditionalRenEntryIds";
    }

    std::optional<PropertyContext> open(std::uint32_t nid, const std::string& where) {
        const auto node = trees_.nbt.find(nid);
        if (node == trees_.nbt.end()) {
            return std::nullopt;
        }
        Report scratch;  // the node's own problems are reported where it is checked
        return PropertyContext::open(blocks_, node->second.bidData, node->second.bidSub, where,
                                     scratch);
    }

    bool classFits(const Folder& folder, const char* folderClass, bool classless) const {
        if (!folderClass) {
            return true;
        }
        if (!folder.containerClass) {
            return classless;
        }
        const std::string& c = *folder.containerClass;
        return c == folderClass || c.rfind(std::string(folderClass) + ".", 0) == 0;
    }

    // The folder an entry id names, if it is of this store and of the class required.
    void target(const std::vector<std::uint8_t>& entryId, const Pointer& p, const char* structure,
                const std::string& where, bool classless = true) {
        if (entryId.size() != kEntryIdSize) {
            r_.add(structure, p.field, "is " + std::to_string(entryId.size()) + " bytes, not 24",
                   where);
            return;
        }
        const Bytes b(entryId);
        if (u32(b, 0) != 0) {
            r_.add(structure, p.field, "flags are " + hex(u32(b, 0)) + ", not zero", where);
        }
        if (!uid_.empty() && !std::equal(uid_.begin(), uid_.end(), entryId.begin() + 4)) {
            r_.add(structure, p.field, "names another store than this one's record key", where);
        }
        const std::uint32_t nid = u32(b, 20);
        const auto folder = folders_.find(nid);
        if (folder == folders_.end()) {
            r_.add(structure, p.field, "names " + hex(nid) + ", which is no folder", where);
        } else if (!classFits(folder->second, p.folderClass, classless)) {
            r_.add(structure, p.field,
                   "names folder " + hex(nid) + " of class '" +
                       folder->second.containerClass.value_or("") + "', not " + p.folderClass,
                   where);
        }
    }

    // Every row must name a folder; the one for "" other than the root is the Inbox.
    std::optional<std::uint32_t> receiveFolders() {
        const std::string where = "nid " + hex(kReceiveFolderTable);
        const auto node = trees_.nbt.find(kReceiveFolderTable);
        if (node == trees_.nbt.end()) {
            return std::nullopt;  // not in [MS-PST]'s minimum; the root then receives all
        }
        Report scratch;
        const auto tc =
            TableContext::open(blocks_, node->second.bidData, node->second.bidSub, where, scratch);
        if (!tc) {
            return std::nullopt;
        }
        std::optional<std::uint32_t> inbox;
        for (std::size_t row = 0; row < tc->rows(); ++row) {
            const auto messageClass = tc->string(row, tag::kMessageClass);
            const auto nid = tc->int32(row, kReceiveFolderNid);
            const std::string at_ = where + ", row for '" + messageClass.value_or("?") + "'";
            if (!messageClass || !nid) {
                r_.add("RECEIVE_FOLDER_TABLE", "row", "no message class or no folder", at_);
                continue;
            }
            const auto folder = folders_.find(*nid);
            if (folder == folders_.end()) {
                r_.add("RECEIVE_FOLDER_TABLE", "folder",
                       "names " + hex(*nid) + ", which is no folder", at_);
            } else if (messageClass->empty() && *nid != nid::kRootFolder) {
                if (!classFits(folder->second, "IPF.Note", true)) {
                    r_.add("RECEIVE_FOLDER_TABLE", "folder",
                           "the Inbox " + hex(*nid) + " is of class '" +
                               folder->second.containerClass.value_or("") + "', not IPF.Note",
                           at_);
                }
                inbox = *nid;
            }
        }
        return inbox;
    }

    // The pointers on the root folder or the Inbox, by tag (Junk E-mail's slot as its own).
    std::map<std::uint32_t, std::vector<std::uint8_t>> folderPointers(std::uint32_t nid,
                                                                      const char* structure) {
        std::map<std::uint32_t, std::vector<std::uint8_t>> found;
        const std::string where = "nid " + hex(nid);
        const auto pc = open(nid, where);
        if (!pc) {
            return found;
        }
        for (const Pointer& p : kFolderPointers) {
            if (const auto entryId = pc->bytes(p.tag)) {
                target(*entryId, p, structure, where, false);
                found.emplace(p.tag, *entryId);
            }
        }
        const auto raw = pc->bytes(kAdditionalRenEntryIds);
        if (!raw) {
            return found;
        }
        const auto slots = multipleBinary(*raw);
        if (!slots) {
            r_.add(structure, "PidTagAdditionalRenEntryIds", "not a multi-valued binary", where);
            return found;
        }
        for (std::size_t i = 0; i < slots->size(); ++i) {
            if ((*slots)[i].empty()) {
                continue;  // a special folder the store does not have
            }
            const Pointer slot{kAdditionalRenEntryIds, "PidTagAdditionalRenEntryIds",
                               i == kJunkSlot ? "IPF.Note" : nullptr, 0};
            target((*slots)[i], slot, structure, where + " slot " + std::to_string(i), false);
        }
        found.emplace(kAdditionalRenEntryIds, *raw);
        return found;
    }

    const BTrees& trees_;
    BlockSource& blocks_;
    const std::map<std::uint32_t, Folder>& folders_;
    Report& r_;
    std::vector<std::uint8_t> uid_;
};

}  // namespace

void checkSpecialFolders(const BTrees& trees, BlockSource& blocks,
                         const std::map<std::uint32_t, Folder>& folders, Report& report) {
    guarded(report, "nid " + hex(nid::kMessageStore),
            [&] { SpecialFolderChecker(trees, blocks, folders, report).run(); });
}

}  // namespace tolvane::pstcheck
