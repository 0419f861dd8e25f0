#pragma once

// An independent reader for the tests: parses a Unicode PST from raw offsets (not through the
// writer's structs), walks the header, both B-trees, every block and the allocation maps, and
// lists each broken invariant with its location.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tolvane::pst::ndb::test {

struct InspectedBlock {
    std::uint64_t ib = 0;
    std::uint16_t cb = 0;
    std::uint16_t cRef = 0;
};

struct InspectedNode {
    std::uint64_t data = 0;
    std::uint64_t sub = 0;
    std::uint32_t parent = 0;
};

struct InspectedSubnode {
    std::uint64_t nid = 0;
    std::uint64_t data = 0;
    std::uint64_t sub = 0;
};

class NdbInspector {
  public:
    // checkDataBlocks false reads only internal blocks, for files of many GiB.
    explicit NdbInspector(const std::filesystem::path& path, bool checkDataBlocks = true);

    // Every problem found; empty for a valid file.
    const std::vector<std::string>& problems() const { return problems_; }
    std::string report() const;

    const std::map<std::uint64_t, InspectedBlock>& blocks() const { return blocks_; }
    const std::map<std::uint32_t, InspectedNode>& nodes() const { return nodes_; }
    std::uint32_t nbtDepth() const { return nbtDepth_; }
    std::uint32_t bbtDepth() const { return bbtDepth_; }
    std::uint64_t fileSize() const { return fileSize_; }
    std::uint64_t freeBytes() const { return freeBytes_; }  // zero AMap bits x 64
    std::uint64_t header64(std::size_t offset) const;
    std::uint32_t header32(std::size_t offset) const;

    // The decoded bytes of a data tree, checking XBLOCK/XXBLOCK totals and full inner blocks.
    std::vector<std::uint8_t> readData(std::uint64_t bid);
    std::vector<InspectedSubnode> readSubnodes(std::uint64_t bid);
    // The BIDs under an XBLOCK or XXBLOCK, and its lcbTotal.
    std::vector<std::uint64_t> xblockChildren(std::uint64_t bid, std::uint64_t* total = nullptr);

  private:
    std::vector<std::uint8_t> readAt(std::uint64_t offset, std::size_t size);
    std::vector<std::uint8_t> blockData(std::uint64_t bid);  // as stored, checked
    void checkHeader();
    void walkTree(std::uint64_t bid, std::uint64_t ib, bool nbt, int level, std::uint64_t low,
                  std::uint64_t high, std::uint32_t depth);
    void checkBlocks();
    void checkMaps();
    void claim(std::uint64_t offset, std::uint64_t size, const std::string& what);
    void problem(std::string text) { problems_.push_back(std::move(text)); }

    std::ifstream in_;
    std::uint64_t fileSize_ = 0;
    std::vector<std::uint8_t> header_;
    std::vector<std::string> problems_;
    std::map<std::uint64_t, InspectedBlock> blocks_;
    std::map<std::uint32_t, InspectedNode> nodes_;
    std::map<std::uint64_t, std::pair<std::uint64_t, std::string>> used_;  // start -> end, what
    std::uint32_t nbtDepth_ = 0;
    std::uint32_t bbtDepth_ = 0;
    std::uint64_t freeBytes_ = 0;
    bool permute_ = false;
    bool checkDataBlocks_ = true;
};

}  // namespace tolvane::pst::ndb::test
