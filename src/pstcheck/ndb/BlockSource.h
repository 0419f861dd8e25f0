#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tolvane::pstcheck {

// [MS-PST] 2.2.2.8.3.3.1.1 SLENTRY, as far as the layers above need it.
struct SubnodeEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
};
using SubnodeMap = std::map<std::uint32_t, SubnodeEntry>;

// What the layers above the node database read from it: a data tree by its leaves or whole,
// and a subnode tree. BlockStore serves it from a file; a test may serve it from memory.
// Problems go to the source's report; `from` says who asked.
class BlockSource {
  public:
    virtual ~BlockSource() = default;

    // The leaves of the data tree rooted at bid, decoded, or nothing when unreadable.
    virtual std::optional<std::vector<std::vector<std::uint8_t>>> leaves(
        std::uint64_t bid, const std::string& from) = 0;
    virtual SubnodeMap subnodes(std::uint64_t bid, const std::string& from) = 0;

    // The leaves joined.
    virtual std::optional<std::vector<std::uint8_t>> stream(std::uint64_t bid,
                                                            const std::string& from);
    // The size of the stream; a source that can tell it without reading the leaves should.
    virtual std::optional<std::uint64_t> streamSize(std::uint64_t bid, const std::string& from);
};

}  // namespace tolvane::pstcheck
