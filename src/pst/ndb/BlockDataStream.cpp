#include "pst/ndb/BlockDataStream.h"

#include <algorithm>
#include <string>

#include "pst/PstError.h"

namespace tolvane::pst::ndb {

BlockDataStream::BlockDataStream(BlockStore& blocks, std::weak_ptr<void> alive)
    : blocks_(blocks), alive_(std::move(alive)), tree_(blocks) {}

void BlockDataStream::append(std::span<const std::uint8_t> bytes) {
    checkUsable();
    if (size_ + bytes.size() > UINT32_MAX) {
        throw PstError("DataStream: a value of " + std::to_string(size_ + bytes.size()) +
                       " bytes exceeds the 4 GiB a data tree addresses ([MS-PST] 2.2.2.8.3.2.2)");
    }
    while (!bytes.empty()) {
        if (pendingSize_ == pending_.size()) {
            flushBlock();
        }
        const std::size_t n = std::min(bytes.size(), pending_.size() - pendingSize_);
        std::copy_n(bytes.begin(), n, pending_.begin() + static_cast<std::ptrdiff_t>(pendingSize_));
        pendingSize_ += n;
        size_ += n;
        bytes = bytes.subspan(n);
    }
}

Bid BlockDataStream::finish() {
    checkUsable();
    // The last block is written here, so a value of exactly n full blocks gets no empty tail
    // and an empty value still gets its one (empty) block.
    flushBlock();
    finished_ = true;
    return tree_.finish();
}

void BlockDataStream::flushBlock() {
    const Bid bid = blocks_.writeExternal(std::span(pending_.data(), pendingSize_));
    tree_.addLeaf(bid, static_cast<std::uint32_t>(pendingSize_));
    pendingSize_ = 0;
}

void BlockDataStream::checkUsable() const {
    if (finished_) {
        throw PstError("DataStream: used after finish()");
    }
    if (alive_.expired()) {
        throw PstError("DataStream: used after its NodeDatabase was closed");
    }
}

}  // namespace tolvane::pst::ndb
