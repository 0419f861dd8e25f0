#include "pstcheck/Checker.h"

#include "pstcheck/AllocationMaps.h"
#include "pstcheck/Allocations.h"
#include "pstcheck/BTrees.h"
#include "pstcheck/BlockStore.h"
#include "pstcheck/Format.h"
#include "pstcheck/Header.h"
#include "pstcheck/Messaging.h"
#include "pstcheck/NodeDump.h"

namespace tolvane::pstcheck {

CheckResult checkPst(Bytes file, const CheckOptions& options) {
    CheckResult result;
    result.report = Report(options.strict);
    Report& r = result.report;
    const HeaderResult head = checkHeader(file, r);
    if (head.kind == FileKind::Ansi) {
        result.outcome = CheckResult::Outcome::SkippedAnsi;
        return result;
    }
    if (!head.header) {
        return result;
    }
    result.outcome = CheckResult::Outcome::Checked;
    const Header& h = *head.header;
    if (h.cryptMethod == fmt::kCryptCyclic) {
        r.add("HEADER", "bCryptMethod", "NDB_CRYPT_CYCLIC data cannot be checked here", at(0x201));
        return result;
    }
    Allocations allocations;
    const BTrees trees = walkBTrees(file, h, allocations, r);
    BlockStore blocks(file, h.cryptMethod, trees, r);
    for (const auto& [nid, node] : trees.nbt) {
        blocks.walkNode(node.bidData, node.bidSub, "nid " + hex(nid));
    }
    blocks.checkReferenceCounts();
    for (const auto& [bid, e] : trees.bbt) {
        allocations.add(e.ib, fmt::blockSize(e.cb), "block " + hex(bid));
    }
    checkAllocationMaps(file, h, allocations, r);
    const MessagingSummary summary = checkMessaging(h, trees, blocks, r);
    if (options.dump != nullptr) {
        dumpNodes(*options.dump, trees, blocks);
    }
    result.tolerated = r.tolerated();
    result.nodes = trees.nbt.size();
    result.blocks = trees.bbt.size();
    result.folders = summary.folders;
    result.messages = summary.messages;
    return result;
}

}  // namespace tolvane::pstcheck
