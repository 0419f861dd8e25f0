#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockSource.h"

namespace tolvane::pstcheck {

// Blocks by BID through the BBT: trailer checks (once per block), permute decoding, data
// trees (XBLOCK/XXBLOCK), subnode trees (SLBLOCK/SIBLOCK), and reference counting.
class BlockStore : public BlockSource {
  public:
    // [MS-PST] 2.2.2.8.3.2.1 XBLOCK and XXBLOCK: the BIDs one level down and lcbTotal.
    struct XBlock {
        std::uint8_t level = 0;
        std::uint32_t total = 0;
        std::vector<std::uint64_t> children;
    };

    // checkDataBlocks false leaves the trailers of external blocks unread until their data
    // is read, for files of many GiB.
    BlockStore(Bytes file, std::uint8_t cryptMethod, const BTrees& trees, Report& report,
               bool checkDataBlocks = true);

    // Checked block data as stored (still encoded), or nothing when missing or unreadable.
    std::optional<Bytes> raw(std::uint64_t bid, const std::string& from);
    // One block's data as the layers above see it: external blocks decoded.
    std::optional<std::vector<std::uint8_t>> block(std::uint64_t bid, const std::string& from);
    std::optional<XBlock> xblock(std::uint64_t bid, const std::string& from);

    // Reading a stream counts no references (walkNode does that once per referrer). A heap
    // keeps one page map per leaf, so leaves come one by one.
    std::optional<std::vector<std::vector<std::uint8_t>>> leaves(std::uint64_t bid,
                                                                 const std::string& from) override;
    // Size of a stream from its tree's headers, without reading the leaves.
    std::optional<std::uint64_t> streamSize(std::uint64_t bid, const std::string& from) override;
    SubnodeMap subnodes(std::uint64_t bid, const std::string& from) override;

    // Counts one reference from a node or subnode entry to bidData/bidSub and walks the trees
    // below them (each tree once, however many referrers).
    void walkNode(std::uint64_t bidData, std::uint64_t bidSub, const std::string& from);

    // After every node was walked: every BBT block checked, referenced and counted right.
    void checkReferenceCounts();

  private:
    bool collectLeaves(std::uint64_t bid, const std::string& from, std::vector<std::uint64_t>& out,
                       int depth);
    void reference(std::uint64_t bid, const std::string& from);
    void walkData(std::uint64_t bid, const std::string& from);
    void walkSub(std::uint64_t bid, const std::string& from);
    std::vector<std::uint8_t> decoded(Bytes data, std::uint64_t bid) const;
    std::uint64_t masked(std::uint64_t bid, const std::string& from);

    Bytes file_;
    std::uint8_t crypt_;
    bool checkDataBlocks_;
    const BTrees& trees_;
    Report& r_;
    std::map<std::uint64_t, bool> checked_;  // bid -> trailer fine
    std::map<std::uint64_t, std::uint32_t> refs_;
    std::map<std::uint64_t, bool> walked_;
    std::set<std::uint64_t> reservedBit_;
    std::set<std::uint64_t> treeChecked_;
};

}  // namespace tolvane::pstcheck
