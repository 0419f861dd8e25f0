#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pstcheck/BTrees.h"
#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

// [MS-PST] 2.2.2.8.3.3.1.1 SLENTRY, as far as the checker needs it.
struct SubnodeEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
};
using SubnodeMap = std::map<std::uint32_t, SubnodeEntry>;

// Blocks by BID through the BBT: trailer checks (once per block), permute decoding, data
// trees (XBLOCK/XXBLOCK), subnode trees (SLBLOCK/SIBLOCK), and reference counting.
class BlockStore {
  public:
    BlockStore(Bytes file, std::uint8_t cryptMethod, const BTrees& trees, Report& report);

    // Checked block data as stored (still encoded), or nothing when missing or unreadable.
    std::optional<Bytes> raw(std::uint64_t bid, const std::string& from);

    // A whole stream: leaves of the data tree rooted at bid, decoded and joined. Counts no
    // references (walkNode does that once per referrer).
    std::optional<std::vector<std::uint8_t>> stream(std::uint64_t bid, const std::string& from);
    // The leaves one by one (a heap keeps one page map per leaf).
    std::optional<std::vector<std::vector<std::uint8_t>>> leaves(std::uint64_t bid,
                                                                 const std::string& from);
    // Size of a stream from its tree's headers, without reading the leaves.
    std::optional<std::uint64_t> streamSize(std::uint64_t bid, const std::string& from);

    SubnodeMap subnodes(std::uint64_t bid, const std::string& from);

    // Counts one reference from a node or subnode entry to bidData/bidSub and walks the trees
    // below them (each tree once, however many referrers).
    void walkNode(std::uint64_t bidData, std::uint64_t bidSub, const std::string& from);

    // After every node was walked: every BBT block checked, referenced and counted right.
    void checkReferenceCounts();

  private:
    struct XBlock {
        std::uint8_t level = 0;
        std::uint32_t total = 0;
        std::vector<std::uint64_t> children;
    };
    std::optional<XBlock> xblock(std::uint64_t bid, const std::string& from);
    bool collectLeaves(std::uint64_t bid, const std::string& from, std::vector<std::uint64_t>& out,
                       int depth);
    void reference(std::uint64_t bid, const std::string& from);
    void walkData(std::uint64_t bid, const std::string& from);
    void walkSub(std::uint64_t bid, const std::string& from);
    std::vector<std::uint8_t> decoded(Bytes data, std::uint64_t bid) const;
    std::uint64_t masked(std::uint64_t bid, const std::string& from);

    Bytes file_;
    std::uint8_t crypt_;
    const BTrees& trees_;
    Report& r_;
    std::map<std::uint64_t, bool> checked_;  // bid -> trailer fine
    std::map<std::uint64_t, std::uint32_t> refs_;
    std::map<std::uint64_t, bool> walked_;
    std::set<std::uint64_t> reservedBit_;
    std::set<std::uint64_t> treeChecked_;
};

}  // namespace tolvane::pstcheck
