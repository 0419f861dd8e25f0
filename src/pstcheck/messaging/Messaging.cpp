#include "pstcheck/messaging/Messaging.h"

#include <map>

#include "pstcheck/Guard.h"
#include "pstcheck/ltp/LtpNode.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/ltp/TableContext.h"
#include "pstcheck/messaging/Folders.h"
#include "pstcheck/messaging/Ids.h"
#include "pstcheck/messaging/MessageCheck.h"
#include "pstcheck/messaging/NameMap.h"
#include "pstcheck/messaging/SpecialFolders.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {
namespace {

bool tableType(std::uint32_t type) {
    return type >= 0x0B && type <= nidtype::kRecipientTable;
}

// Tables no folder owns (templates, queues, search contents); folder tables are checked with
// their folder.
void checkOtherTables(const BTrees& trees, BlockSource& blocks, Report& r) {
    for (const auto& [nid, node] : trees.nbt) {
        const std::uint32_t type = nidType(nid);
        if (!tableType(type) || node.bidData == 0) {
            continue;
        }
        const bool folderTable = type >= nidtype::kHierarchyTable &&
                                 type <= nidtype::kAssocContentsTable &&
                                 trees.nbt.contains(makeNid(nidtype::kNormalFolder, nidIndex(nid)));
        if (folderTable) {
            continue;
        }
        // Some Outlook versions keep other heaps (client 0xAC) under table NIDs.
        auto ltp = LtpNode::open(blocks, node.bidData, node.bidSub, "nid " + hex(nid), r);
        if (ltp && ltp->heap().clientSig() == fmt::kClientTc) {
            guarded(r, "nid " + hex(nid), [&] { TableContext::fromNode(std::move(*ltp), r); });
        }
    }
}

void checkNidHighWater(const Header& h, const BTrees& trees, Report& r) {
    for (const auto& [nid, node] : trees.nbt) {
        const std::uint32_t type = nidType(nid);
        if (type != nidtype::kInternal && nidIndex(nid) > h.rgnid[type]) {
            r.add("HEADER", "rgnid",
                  "slot " + hex(type) + " is " + hex(h.rgnid[type]) + ", below node index " +
                      hex(nidIndex(nid)),
                  "nid " + hex(nid));
        }
    }
}

}  // namespace

MessagingSummary checkMessaging(const Header& header, const BTrees& trees, BlockSource& blocks,
                                Report& r) {
    MessagingSummary summary;
    std::optional<std::uint32_t> named;
    guarded(r, "nid " + hex(nid::kNameToIdMap), [&] { named = checkNameMap(trees, blocks, r); });
    std::optional<NameIndex> names;
    if (named) {
        guarded(r, "nid " + hex(nid::kNameToIdMap), [&] {
            const auto node = trees.nbt.find(nid::kNameToIdMap);
            Report quiet;  // checkNameMap reported what is wrong with the map
            if (const auto pc = PropertyContext::open(blocks, node->second.bidData,
                                                      node->second.bidSub, "", quiet)) {
                names.emplace(namedProperties(*pc));
            }
        });
    }
    std::map<std::uint32_t, MessageFacts> messages;
    for (const auto& [nid, node] : trees.nbt) {
        const std::uint32_t type = nidType(nid);
        if (type != nidtype::kNormalMessage && type != nidtype::kAssocMessage) {
            continue;
        }
        const std::string where = "message nid " + hex(nid);
        std::optional<MessageFacts> facts;
        guarded(r, where, [&] {
            facts = checkMessage(blocks, node.bidData, node.bidSub, where, r, 0,
                                 names ? &*names : nullptr);
        });
        if (!facts) {
            continue;
        }
        if (named && facts->highestPropId >= 0x8000 && facts->highestPropId - 0x8000u >= *named) {
            r.add("MESSAGE", "named property",
                  "id " + hex(facts->highestPropId) + " is not in the name-to-id map", where);
        }
        messages.emplace(nid, std::move(*facts));
        summary.messages += type == nidtype::kNormalMessage ? 1 : 0;
    }
    const std::map<std::uint32_t, Folder> folders = readFolders(trees, blocks, r);
    summary.folders = checkFolders(trees, blocks, folders, messages, r);
    checkSpecialFolders(trees, blocks, folders, r);
    checkOtherTables(trees, blocks, r);
    checkNidHighWater(header, trees, r);
    return summary;
}

}  // namespace tolvane::pstcheck
