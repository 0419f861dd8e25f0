#include "pst/ltp/GrowingDataTree.h"

#include <algorithm>
#include <span>

#include "pst/ndb/DiskStructs.h"

namespace tolvane::pst::ltp {

namespace {
constexpr std::size_t kFanOut = ndb::disk::value::kXBlockMax;
}

void GrowingDataTree::set(std::size_t i, ndb::Bid bid, std::uint32_t bytes) {
    if (i == leaves_.size()) {
        leaves_.push_back(bid);
        sizes_.push_back(bytes);
        total_ += bytes;
    } else {
        total_ = total_ - sizes_.at(i) + bytes;
        leaves_[i] = bid;
        sizes_[i] = bytes;
    }
    const std::size_t group = i / kFanOut;
    if (group >= groups_.size()) {
        groups_.resize(group + 1);
    }
    groups_[group].dirty = true;
    rootDirty_ = true;
}

ndb::Bid GrowingDataTree::root(ndb::BlockWriter& db) {
    if (!rootDirty_) {
        return root_;
    }
    if (leaves_.size() == 1) {
        root_ = leaves_.front();
    } else {
        std::vector<ndb::Bid> xblocks;
        std::uint64_t groupBytes = 0;
        for (std::size_t g = 0; g < groups_.size(); ++g) {
            const std::size_t first = g * kFanOut;
            const std::size_t n = std::min(kFanOut, leaves_.size() - first);
            groupBytes = 0;
            for (std::size_t i = first; i < first + n; ++i) {
                groupBytes += sizes_[i];
            }
            if (groups_[g].dirty) {
                groups_[g].xblock =
                    db.writeIndexBlock(1, std::span(leaves_).subspan(first, n), groupBytes);
                groups_[g].dirty = false;
            }
            xblocks.push_back(groups_[g].xblock);
        }
        root_ = xblocks.size() == 1 ? xblocks.front() : db.writeIndexBlock(2, xblocks, total_);
    }
    rootDirty_ = false;
    return root_;
}

}  // namespace tolvane::pst::ltp
