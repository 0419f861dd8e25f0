#include "pstcheck/messaging/MessageCheck.h"

#include <algorithm>
#include <set>

#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/ltp/TableContext.h"
#include "pstcheck/messaging/CalendarCheck.h"
#include "pstcheck/messaging/ContactCheck.h"
#include "pstcheck/messaging/Ids.h"
#include "pstcheck/messaging/MessageState.h"
#include "pstcheck/messaging/RowCopies.h"

namespace tolvane::pstcheck {
namespace {

constexpr int kMaxEmbeddingDepth = 64;
constexpr std::uint32_t kMsgFlagHasAttach = 0x10;
constexpr std::uint32_t kAttachMethod = 0x37050003;
constexpr std::uint32_t kAttachDataObject = 0x3701000D;
constexpr std::uint32_t kMethodEmbedded = 5;
constexpr std::uint32_t kAttachmentFlags = 0x7FFD0003;
constexpr std::uint32_t kAttachmentContactPhoto = 0x7FFF000B;
constexpr std::uint16_t kExceptionReplaceTime = 0x7FF9;
constexpr std::uint16_t kFirstNamedId = 0x8000;

class MessageChecker {
  public:
    MessageChecker(BlockSource& blocks, Report& r, const NameIndex* names)
        : blocks_(blocks), r_(r), names_(names) {}

    std::optional<MessageFacts> run(std::uint64_t bidData, std::uint64_t bidSub,
                                    const std::string& where, int depth) {
        const auto pc = PropertyContext::open(blocks_, bidData, bidSub, where, r_);
        if (!pc) {
            return std::nullopt;
        }
        MessageFacts facts{pc->int32(tag::kMessageFlags), pc->string(tag::kSubject),
                           pc->string(tag::kMessageClass)};
        if (!pc->entries().empty()) {
            facts.highestPropId = pc->entries().rbegin()->first;
        }
        if (!facts.messageClass) {
            r_.add("MESSAGE", "PidTagMessageClass", "missing", where);
        }
        if (!facts.flags) {
            r_.add("MESSAGE", "PidTagMessageFlags", "missing", where);
        }
        checkMessageState(*pc, facts.messageClass, where, r_);
        if (names_) {
            for (const auto& [id, entry] : pc->entries()) {
                if (id >= kFirstNamedId && !names_->hasId(id)) {
                    r_.add("MESSAGE", "named property",
                           "id " + hex(id) + " is not in the name-to-id map", where);
                }
            }
        }
        const SubnodeMap& subs = pc->node().subnodes();
        if (const auto it = subs.find(nid::kRecipientTable); it != subs.end()) {
            TableContext::open(blocks_, it->second.bidData, it->second.bidSub,
                               where + " recipient table", r_);
        } else {
            // [2.4.5] requires one; Outlook's own IPM.Post items have none.
            r_.tolerate("MESSAGE", "recipient table", "no subnode 0x692", where);
        }
        std::set<std::uint32_t> attachments;
        for (const auto& [nid, e] : subs) {
            if (nidType(nid) == nidtype::kAttachment) {
                attachments.insert(nid);
            }
        }
        std::size_t rows = 0;
        std::vector<AttachmentFacts> attached;
        const auto table = subs.find(nid::kAttachmentTable);
        if (table != subs.end()) {
            const auto tc = TableContext::open(blocks_, table->second.bidData, table->second.bidSub,
                                               where + " attachment table", r_);
            if (tc) {
                rows = tc->rows();
                attached = checkAttachments(*tc, subs, attachments, where, depth);
            }
        } else if (!attachments.empty()) {
            r_.add("ATTACHMENT_TABLE", "missing",
                   std::to_string(attachments.size()) + " attachment subnode(s), no table", where);
        }
        if (facts.flags && ((*facts.flags & kMsgFlagHasAttach) != 0) != (rows > 0)) {
            r_.add("MESSAGE", "PidTagMessageFlags",
                   "has-attachment bit is " +
                       std::string((*facts.flags & kMsgFlagHasAttach) ? "set" : "clear") +
                       " with " + std::to_string(rows) + " attachment row(s)",
                   where);
        }
        if (names_ && facts.messageClass) {
            checkCalendarItem(*pc, *facts.messageClass, attached, *names_, where, r_);
        }
        if (names_ && facts.messageClass && isContactItem(*facts.messageClass)) {
            const auto photos = static_cast<std::size_t>(std::count_if(
                attached.begin(), attached.end(), [](const auto& f) { return f.contactPhoto; }));
            checkContactItem(*pc, *facts.messageClass, photos, *names_, where, r_);
        }
        return facts;
    }

  private:
    std::vector<AttachmentFacts> checkAttachments(const TableContext& tc, const SubnodeMap& subs,
                                                  std::set<std::uint32_t> attachments,
                                                  const std::string& where, int depth) {
        std::vector<AttachmentFacts> facts;
        for (std::size_t row = 0; row < tc.rows(); ++row) {
            const std::uint32_t id = tc.rowId(row);
            const std::string at_ = where + " attachment " + hex(id);
            if (attachments.erase(id) == 0) {
                r_.add("ATTACHMENT_TABLE", "dwRowID", "row names no attachment subnode", at_);
                continue;
            }
            const SubnodeEntry& e = subs.at(id);
            const auto pc = PropertyContext::open(blocks_, e.bidData, e.bidSub, at_, r_);
            if (!pc) {
                continue;
            }
            compareRowWithObject(tc, row, *pc, "ATTACHMENT_TABLE", at_, r_);
            AttachmentFacts f;
            f.flags = pc->int32(kAttachmentFlags);
            f.contactPhoto = pc->boolean(kAttachmentContactPhoto).value_or(false);
            f.embedded = pc->int32(kAttachMethod) == kMethodEmbedded;
            if (const auto t = pc->value(kExceptionReplaceTime);
                t && t->size() == 8 && pc->entries().at(kExceptionReplaceTime).type == 0x0040) {
                f.replaceMinutes = fileTimeMinutes(*t);
            }
            facts.push_back(f);
            if (f.embedded) {
                embedded(*pc, at_, depth);
            }
        }
        for (const std::uint32_t left : attachments) {
            r_.add("ATTACHMENT_TABLE", "rows", "attachment subnode has no row",
                   where + " attachment " + hex(left));
        }
        return facts;
    }

    void embedded(const PropertyContext& attachment, const std::string& where, int depth) {
        const auto object = attachment.bytes(kAttachDataObject);
        if (!object || object->size() != 8) {
            return;  // an attachment of method 5 may also hold its message another way
        }
        const std::uint32_t nid = u32(Bytes(*object), 0);
        const auto it = attachment.node().subnodes().find(nid);
        if (it == attachment.node().subnodes().end()) {
            r_.add("ATTACHMENT", "PidTagAttachDataObject",
                   "embedded message subnode " + hex(nid) + " does not exist", where);
            return;
        }
        if (depth >= kMaxEmbeddingDepth) {
            r_.add("ATTACHMENT", "PidTagAttachDataObject", "embedding deeper than 64", where);
            return;
        }
        run(it->second.bidData, it->second.bidSub, where + " embedded " + hex(nid), depth + 1);
    }

    BlockSource& blocks_;
    Report& r_;
    const NameIndex* names_;
};

}  // namespace

std::optional<MessageFacts> checkMessage(BlockSource& blocks, std::uint64_t bidData,
                                         std::uint64_t bidSub, const std::string& where,
                                         Report& report, int depth, const NameIndex* names) {
    return MessageChecker(blocks, report, names).run(bidData, bidSub, where, depth);
}

}  // namespace tolvane::pstcheck
