#pragma once

#include <array>
#include <map>
#include <memory>
#include <vector>

#include "pst/ndb/BlockStore.h"
#include "pst/ndb/NodeDatabase.h"
#include "pst/ndb/PstFile.h"
#include "pst/ndb/SpaceAllocator.h"

namespace tolvane::pst::ndb {

// The NodeDatabase behind create(): the NBT in memory, blocks on disk as they come, and at
// each commit the B-trees, the maps and last the header.
class PstNodeDatabase final : public NodeDatabase {
  public:
    explicit PstNodeDatabase(const std::filesystem::path& path);
    ~PstNodeDatabase() override;

    Nid allocateNid(NidType type) override;
    Bid writeBlocks(std::span<const std::vector<std::uint8_t>> blocks) override;
    Bid writeData(std::span<const std::uint8_t> bytes) override;
    std::unique_ptr<DataStream> beginData() override;
    Bid writeSubnodes(std::span<const SubnodeEntry> entries) override;
    void setNode(const NodeEntry& node) override;
    void deleteNode(Nid nid) override;
    std::optional<NodeEntry> findNode(Nid nid) const override;
    void commit() override;
    void close() override;
    void abandon() override;

  private:
    void checkOpen(const char* operation) const;
    void writeCommit();
    void writeHeader(const struct CommitRoots& roots, std::uint64_t freeBytes);

    PstFile file_;
    SpaceAllocator space_;
    BlockStore blocks_;
    std::map<std::uint32_t, NodeEntry> nodes_;
    std::array<std::uint32_t, 32> rgnid_{};
    std::uint64_t nextPageBid_ = 1;
    std::uint32_t dwUnique_ = 0;
    std::vector<std::uint64_t> committedPages_;
    std::shared_ptr<void> alive_;
    bool closed_ = false;
};

}  // namespace tolvane::pst::ndb
