#include "pstcheck/ndb/NodeDump.h"

#include "pstcheck/Report.h"
#include "pstcheck/ndb/Ids.h"

namespace tolvane::pstcheck {
namespace {

const char* typeName(std::uint32_t type) {
    switch (type) {
        case 0x01:
            return "INTERNAL";
        case 0x02:
            return "NORMAL_FOLDER";
        case 0x03:
            return "SEARCH_FOLDER";
        case 0x04:
            return "NORMAL_MESSAGE";
        case 0x05:
            return "ATTACHMENT";
        case 0x06:
            return "SEARCH_UPDATE_QUEUE";
        case 0x07:
            return "SEARCH_CRITERIA_OBJECT";
        case 0x08:
            return "ASSOC_MESSAGE";
        case 0x0A:
            return "CONTENTS_TABLE_INDEX";
        case 0x0B:
            return "RECEIVE_FOLDER_TABLE";
        case 0x0C:
            return "OUTGOING_QUEUE_TABLE";
        case 0x0D:
            return "HIERARCHY_TABLE";
        case 0x0E:
            return "CONTENTS_TABLE";
        case 0x0F:
            return "ASSOC_CONTENTS_TABLE";
        case 0x10:
            return "SEARCH_CONTENTS_TABLE";
        case 0x11:
            return "ATTACHMENT_TABLE";
        case 0x12:
            return "RECIPIENT_TABLE";
        case 0x13:
            return "SEARCH_TABLE_INDEX";
        case 0x1F:
            return "LTP";
        default:
            return "UNKNOWN";
    }
}

void dumpSubnodes(std::ostream& out, BlockStore& blocks, std::uint64_t bidSub,
                  const std::string& indent, int depth) {
    if (bidSub == 0 || depth > 8) {
        return;
    }
    for (const auto& [nid, e] : blocks.subnodes(bidSub, "dump")) {
        out << indent << "subnode " << hex(nid) << " " << typeName(nidType(nid)) << " data "
            << hex(e.bidData);
        if (const auto size = e.bidData ? blocks.streamSize(e.bidData, "dump") : std::nullopt) {
            out << " (" << *size << " bytes)";
        }
        out << " sub " << hex(e.bidSub) << "\n";
        dumpSubnodes(out, blocks, e.bidSub, indent + "  ", depth + 1);
    }
}

}  // namespace

void dumpNodes(std::ostream& out, const BTrees& trees, BlockStore& blocks) {
    for (const auto& [nid, node] : trees.nbt) {
        out << "node " << hex(nid) << " " << typeName(nidType(nid)) << " parent "
            << hex(node.nidParent) << " data " << hex(node.bidData);
        if (const auto size =
                node.bidData ? blocks.streamSize(node.bidData, "dump") : std::nullopt) {
            out << " (" << *size << " bytes)";
        }
        out << " sub " << hex(node.bidSub) << "\n";
        dumpSubnodes(out, blocks, node.bidSub, "  ", 0);
    }
}

}  // namespace tolvane::pstcheck
