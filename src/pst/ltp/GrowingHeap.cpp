#include "pst/ltp/GrowingHeap.h"

#include <string>

namespace tolvane::pst::ltp {

GrowingHeap::GrowingHeap(std::uint8_t clientSig) {
    heap_.clientSig = clientSig;
    startBlock();
}

void GrowingHeap::startBlock() {
    auto content = std::make_unique<HeapBlock>(blocks_.size());
    if (!blocks_.empty()) {
        blocks_.back().dirty = true;  // no longer the last: written again at its full size
    }
    held_.push_back(static_cast<std::uint32_t>(blocks_.size()));
    blocks_.push_back(Block{std::move(content)});
}

HeapBlock& GrowingHeap::content(std::uint32_t block, const char* what) {
    if (block >= blocks_.size() || !blocks_[block].content) {
        throw PstError(std::string("heap on node: ") + what + " in block " + std::to_string(block) +
                       ", which is no longer in memory");
    }
    return *blocks_[block].content;
}

Hid GrowingHeap::allocate(std::span<const std::uint8_t> bytes) {
    HeapBlock::checkItemSize(bytes.size());
    // The last block first, then any other still in memory: they are written again anyway.
    std::size_t target = blocks_.size() - 1;
    if (!blocks_[target].content->fits(bytes.size())) {
        target = blocks_.size();
        for (const std::uint32_t b : held_) {
            if (b + 1 < blocks_.size() && blocks_[b].content->fits(bytes.size())) {
                target = b;
                break;
            }
        }
        if (target == blocks_.size()) {
            startBlock();
            target = blocks_.size() - 1;
        }
    }
    blocks_[target].dirty = true;
    return blocks_[target].content->append(bytes);
}

std::span<std::uint8_t> GrowingHeap::item(Hid hid) {
    HeapBlock& block = content(hid.block(), "item");
    blocks_[hid.block()].dirty = true;
    return block.item(hid);
}

void GrowingHeap::free(Hid hid) {
    content(hid.block(), "free").free(hid);
    blocks_[hid.block()].dirty = true;
}

ndb::Bid GrowingHeap::write(ndb::BlockWriter& db) {
    // Fill levels first: block 0 and the bitmap blocks carry those of the blocks they cover.
    blocks_[0].dirty = true;
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        if (!blocks_[b].dirty) {
            continue;
        }
        const std::uint8_t fill = blocks_[b].content->fillLevel();
        if (fill != blocks_[b].fill || tree_.size() <= b) {
            blocks_[b].fill = fill;
            const std::size_t holder = HeapBlock::levelHolder(b);
            blocks_[holder].dirty = true;
            content(static_cast<std::uint32_t>(holder), "fill level");
        }
    }
    std::vector<std::uint8_t> levels;
    levels.reserve(blocks_.size());
    for (const Block& block : blocks_) {
        levels.push_back(block.fill);
    }
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        if (!blocks_[b].dirty) {
            continue;
        }
        const bool last = b + 1 == blocks_.size();
        const auto bytes = blocks_[b].content->encode(last, heap_, levels);
        tree_.set(b, db.writeBlock(bytes), static_cast<std::uint32_t>(bytes.size()));
        blocks_[b].dirty = false;
    }
    const ndb::Bid root = tree_.root(db);
    // What may change before the next write stays in memory; the rest goes.
    std::vector<bool> keep(blocks_.size(), false);
    keep[0] = true;
    keep[blocks_.size() - 1] = true;
    keep[HeapBlock::levelHolder(blocks_.size() - 1)] = true;
    for (std::uint32_t b : pinned_) {
        keep[b] = true;
        keep[HeapBlock::levelHolder(b)] = true;
    }
    pinned_.clear();
    held_.clear();
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        if (!keep[b]) {
            blocks_[b].content.reset();
        } else if (blocks_[b].content) {
            held_.push_back(static_cast<std::uint32_t>(b));
        }
    }
    return root;
}

}  // namespace tolvane::pst::ltp
