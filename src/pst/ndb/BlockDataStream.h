#pragma once

#include <array>
#include <memory>

#include "pst/ndb/BlockStore.h"
#include "pst/ndb/DataTreeBuilder.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::ndb {

// DataStream over the block store: cuts the value into full 8176-byte blocks as it arrives
// (every block of a data tree but the last is full, [MS-PST] 2.2.2.8.3.2) and writes each at
// once, so only one block's worth is ever held.
class BlockDataStream final : public DataStream {
  public:
    // `alive` expires when the database closes; the stream then refuses further use.
    BlockDataStream(BlockStore& blocks, std::weak_ptr<void> alive);

    void append(std::span<const std::uint8_t> bytes) override;
    std::uint64_t size() const override { return size_; }
    Bid finish() override;

  private:
    void checkUsable() const;
    void flushBlock();

    BlockStore& blocks_;
    std::weak_ptr<void> alive_;
    DataTreeBuilder tree_;
    std::array<std::uint8_t, kMaxBlockData> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t size_ = 0;
    bool finished_ = false;
};

}  // namespace tolvane::pst::ndb
