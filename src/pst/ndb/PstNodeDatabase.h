#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "pst/ndb/BlockStore.h"
#include "pst/ndb/CowBTree.h"
#include "pst/ndb/MapWriter.h"
#include "pst/ndb/NodeDatabase.h"
#include "pst/ndb/PstFile.h"
#include "pst/ndb/SpaceAllocator.h"

namespace tolvane::pst::ndb {

// An NBT entry as memory holds it: 24 bytes, where NodeEntry's field order takes 32.
struct NodeRecord {
    Nid nid;
    Nid parent;
    Bid data;
    Bid subnodes;
};
static_assert(sizeof(NodeRecord) == 24);

struct NbtTraits {
    using Entry = NodeRecord;
    static constexpr std::uint8_t kPtype = disk::value::kPageNbt;
    static constexpr std::size_t kLeafMax = disk::value::kNbtLeafMax;
    static constexpr std::size_t kLeafEntrySize = sizeof(disk::NbtEntry);
    static std::uint64_t key(const NodeRecord& n) { return n.nid.value; }
    static void encode(const NodeRecord& n, std::span<std::uint8_t> out) {
        disk::writeAt(
            out, disk::NbtEntry{n.nid.value, n.data.value, n.subnodes.value, n.parent.value, 0});
    }
    static NodeRecord decode(std::span<const std::uint8_t> in) {
        const auto e = disk::fromBytes<disk::NbtEntry>(in);
        return {Nid{static_cast<std::uint32_t>(e.nid)}, Nid{e.nidParent}, Bid{e.bidData},
                Bid{e.bidSub}};
    }
};

// The NodeDatabase behind create(): both B-trees in memory as their pages, blocks on disk as
// they come, and at each commit the changed pages, the changed maps and last the header.
class PstNodeDatabase final : public NodeDatabase {
  public:
    PstNodeDatabase(const std::filesystem::path& path, FileSystem& files);
    ~PstNodeDatabase() override;

    Nid allocateNid(NidType type) override;
    Bid writeBlocks(std::span<const std::vector<std::uint8_t>> blocks) override;
    Bid writeData(std::span<const std::uint8_t> bytes) override;
    std::unique_ptr<DataStream> beginData() override;
    Bid writeBlock(std::span<const std::uint8_t> data) override;
    Bid writeIndexBlock(std::uint8_t level, std::span<const Bid> children,
                        std::uint64_t totalBytes) override;
    Bid writeSubnodes(std::span<const SubnodeEntry> entries) override;
    void setNode(const NodeEntry& node) override;
    void deleteNode(Nid nid) override;
    std::optional<NodeEntry> findNode(Nid nid) const override;
    void commit() override;
    void prepareCommit() override;
    void setCommitReserve(std::uint64_t bytes) override;
    std::uint64_t bytesWritten() const override { return blocks_.bytesWritten(); }
    std::uint64_t commitsWritten() const override { return commitsWritten_; }
    void close() override;
    void abandon() override;

  private:
    // What the header on disk says.
    struct State {
        disk::Bref nbt;
        disk::Bref bbt;
        std::uint64_t fileEnd = 0;
        std::uint64_t freeBytes = 0;
    };
    void checkOpen(const char* operation) const;
    void writeCommit();
    void grow(std::uint64_t bytes);
    // Moves the file from the committed state to the one `rewriteMaps` returns, in the window
    // [MS-PST] 2.6.1.3.7 allows: a header saying `window` with INVALID_AMAP, synced; then
    // `beforeMaps`, changes that touch no map page (growing or cutting the file); then the
    // maps, a sync, and the new state's header, handed to the system. A failure before any map
    // page is written puts the last commit's header back; one after leaves INVALID_AMAP, from
    // which readers rebuild the maps. Before the first commit there is no state to keep and no
    // window.
    void changeState(const State& window, const std::function<void()>& beforeMaps,
                     const std::function<State()>& rewriteMaps);
    // After a failure before any map changed: the last commit's header again, if it can be.
    void putBackCommittedHeader();
    // Cuts the sections no allocation reaches off the end of the file.
    void trimEmptySections();
    void writeHeader(const State& state, bool mapsValid);
    void updateReserve();

    PstFile file_;
    SpaceAllocator space_;
    BlockStore blocks_;
    CowBTree<NbtTraits> nodes_;
    MapWriter maps_;
    std::array<std::uint32_t, 32> rgnid_{};
    std::uint64_t nextPageBid_ = 1;
    std::uint32_t dwUnique_ = 0;
    State committed_;
    // Pages of the committed state that the next one no longer uses: free once it is written.
    std::vector<std::uint64_t> replacedPages_;
    bool hasCommitted_ = false;
    std::uint64_t commitsWritten_ = 0;
    std::uint64_t commitReserve_ = 0;    // the layer above's estimate
    std::uint64_t lastCommitBytes_ = 0;  // what the last commit allocated
    std::uint64_t commitStartBytes_ = 0;
    bool preparing_ = false;
    std::shared_ptr<void> alive_;
    bool closed_ = false;
};

}  // namespace tolvane::pst::ndb
