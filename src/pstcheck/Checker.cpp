#include "pstcheck/Checker.h"

#include "pstcheck/Guard.h"
#include "pstcheck/messaging/Messaging.h"
#include "pstcheck/ndb/AllocationMaps.h"
#include "pstcheck/ndb/Allocations.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockStore.h"
#include "pstcheck/ndb/Format.h"
#include "pstcheck/ndb/Header.h"
#include "pstcheck/ndb/NodeDump.h"

namespace tolvane::pstcheck {
namespace {

void checkWhole(Bytes file, const CheckOptions& options, CheckResult& result) {
    Report& r = result.report;
    const HeaderResult head = checkHeader(file, r);
    if (head.kind == FileKind::Ansi) {
        result.outcome = CheckResult::Outcome::SkippedAnsi;
        return;
    }
    if (!head.header) {
        return;
    }
    result.outcome = CheckResult::Outcome::Checked;
    const Header& h = *head.header;
    if (h.cryptMethod == fmt::kCryptCyclic) {
        r.add("HEADER", "bCryptMethod", "NDB_CRYPT_CYCLIC data cannot be checked here", at(0x201));
        return;
    }
    Allocations allocations;
    const BTrees trees = walkBTrees(file, h, allocations, r);
    result.nodes = trees.nbt.size();
    result.blocks = trees.bbt.size();
    BlockStore blocks(file, h.cryptMethod, trees, r, options.checkDataBlocks);
    for (const auto& [nid, node] : trees.nbt) {
        guarded(r, "nid " + hex(nid),
                [&] { blocks.walkNode(node.bidData, node.bidSub, "nid " + hex(nid)); });
    }
    blocks.checkReferenceCounts();
    for (const auto& [bid, e] : trees.bbt) {
        allocations.add(e.ib, fmt::blockSize(e.cb), "block " + hex(bid));
    }
    checkAllocationMaps(file, h, allocations, r);
    if (!options.nodeDatabaseOnly) {
        const MessagingSummary summary = checkMessaging(h, trees, blocks, r);
        result.folders = summary.folders;
        result.messages = summary.messages;
    }
    if (options.dump != nullptr) {
        dumpNodes(*options.dump, trees, blocks);
    }
}

}  // namespace

CheckResult checkPst(Bytes file, const CheckOptions& options) {
    CheckResult result;
    result.report = Report(options.strict);
    guarded(result.report, "file", [&] { checkWhole(file, options, result); });
    result.tolerated = result.report.tolerated();
    return result;
}

}  // namespace tolvane::pstcheck
