#include "pstcheck/ltp/LtpNode.h"

namespace tolvane::pstcheck {
namespace {

bool isHid(std::uint32_t hnid) {
    return (hnid & 0x1F) == 0;
}

}  // namespace

std::optional<LtpNode> LtpNode::open(BlockSource& blocks, std::uint64_t bidData,
                                     std::uint64_t bidSub, const std::string& where, Report& r) {
    if (bidData == 0) {
        r.add("NODE", "bidData", "a heap node has no data block", where);
        return std::nullopt;
    }
    auto leaves = blocks.leaves(bidData, where);
    if (!leaves) {
        return std::nullopt;
    }
    auto heap = Heap::open(std::move(*leaves), where, r);
    if (!heap) {
        return std::nullopt;
    }
    SubnodeMap subs = bidSub != 0 ? blocks.subnodes(bidSub, where) : SubnodeMap{};
    return LtpNode(std::move(*heap), std::move(subs), blocks);
}

bool LtpNode::resolvable(std::uint32_t hnid) const {
    if (hnid == 0) {
        return true;
    }
    return isHid(hnid) ? heap_.item(hnid).has_value() : subnodes_.contains(hnid);
}

std::optional<std::vector<std::uint8_t>> LtpNode::value(std::uint32_t hnid) const {
    if (hnid == 0) {
        return std::vector<std::uint8_t>{};
    }
    if (isHid(hnid)) {
        const auto item = heap_.item(hnid);
        if (!item) {
            return std::nullopt;
        }
        return std::vector<std::uint8_t>(item->begin(), item->end());
    }
    const auto it = subnodes_.find(hnid);
    if (it == subnodes_.end() || it->second.bidData == 0) {
        return std::nullopt;
    }
    return blocks_->stream(it->second.bidData, where() + " subnode " + hex(hnid));
}

std::optional<std::uint64_t> LtpNode::size(std::uint32_t hnid) const {
    if (hnid == 0) {
        return 0;
    }
    if (isHid(hnid)) {
        const auto item = heap_.item(hnid);
        return item ? std::optional<std::uint64_t>(item->size()) : std::nullopt;
    }
    const auto it = subnodes_.find(hnid);
    if (it == subnodes_.end() || it->second.bidData == 0) {
        return std::nullopt;
    }
    return blocks_->streamSize(it->second.bidData, where() + " subnode " + hex(hnid));
}

}  // namespace tolvane::pstcheck
