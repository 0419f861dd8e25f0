#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "pstcheck/Bytes.h"
#include "pstcheck/Checker.h"
#include "pstcheck/Report.h"
#include "pstcheck/ltp/Heap.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/ltp/TableContext.h"
#include "pstcheck/messaging/FolderTree.h"
#include "pstcheck/messaging/NameMap.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockStore.h"
#include "pstcheck/ndb/Header.h"

namespace tolvane::pstcheck {

class MappedFile;

// A structure the reader cannot read at all; the message lists the problems found on the way.
struct ReadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ReadOptions {
    // False leaves external blocks unread until their data is asked for.
    bool checkDataBlocks = true;
};

// A Unicode PST read layer by layer, through the checker's own parsing: nodes and blocks, a
// node's bytes, heaps, property and table contexts, folders and named properties. What a read
// finds wrong but can read past (a CRC, a count) goes to problems(); what it cannot read past
// throws ReadError. Reads check what they touch; check() runs the whole checker.
class PstReader {
  public:
    // Maps the file and walks the header and both B-trees; throws ReadError when the file is
    // no Unicode PST.
    explicit PstReader(const std::filesystem::path& path, ReadOptions options = {});
    // Over bytes the caller keeps alive and unchanged while the reader lives.
    explicit PstReader(Bytes image, ReadOptions options = {});
    ~PstReader();
    PstReader(PstReader&&) noexcept;
    PstReader& operator=(PstReader&&) noexcept;

    Bytes bytes() const { return bytes_; }
    const Header& header() const { return s_->header; }

    // The node database.
    const std::map<std::uint32_t, NbtEntry>& nodes() const { return s_->trees.nbt; }
    const std::map<std::uint64_t, BbtEntry>& blocks() const { return s_->trees.bbt; }
    const NbtEntry& node(std::uint32_t nid) const;
    std::uint8_t nbtLevels() const { return s_->trees.nbtLevels; }
    std::uint8_t bbtLevels() const { return s_->trees.bbtLevels; }
    std::uint64_t amapFreeBytes() const;
    std::vector<std::uint8_t> block(std::uint64_t bid);  // one block, decoded
    std::vector<std::uint8_t> data(std::uint64_t bid);   // a data tree's leaves, joined
    std::vector<std::vector<std::uint8_t>> dataBlocks(std::uint64_t bid);
    BlockStore::XBlock xblock(std::uint64_t bid);
    std::vector<SubnodeEntry> subnodes(std::uint64_t bid);  // in NID order
    std::vector<std::uint8_t> nodeData(std::uint32_t nid);

    // The lists and tables inside nodes and subnodes.
    Heap heap(std::uint32_t nid);
    PropertyContext properties(std::uint32_t nid);
    PropertyContext properties(const SubnodeEntry& subnode);
    TableContext table(std::uint32_t nid);
    TableContext table(const SubnodeEntry& subnode);

    // The store's folders by NID, and its name-to-id map.
    std::map<std::uint32_t, Folder> folders();
    std::vector<NamedProperty> namedProperties();

    // The whole checker over the same bytes.
    CheckResult check(const CheckOptions& options = {}) const;

    const Report& problems() const { return s_->report; }
    std::string problemText() const;
    // For the layers' own functions (PropertyContext::open and the like).
    BlockSource& source() { return *s_->store; }

  private:
    // Kept in one place on the heap: the block store refers to the report and the trees.
    struct State {
        Report report;
        Header header;
        BTrees trees;
        std::unique_ptr<BlockStore> store;
    };

    void open(ReadOptions options);
    template <typename T>
    T need(std::optional<T> value, const std::string& what) const;

    std::unique_ptr<MappedFile> file_;
    Bytes bytes_;
    std::unique_ptr<State> s_;
};

}  // namespace tolvane::pstcheck
