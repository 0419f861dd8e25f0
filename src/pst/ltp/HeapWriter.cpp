#include "pst/ltp/HeapWriter.h"

#include "pst/ndb/BlockWriter.h"

namespace tolvane::pst::ltp {

HeapWriter::HeapWriter(std::uint8_t clientSig) {
    heap_.clientSig = clientSig;
    blocks_.emplace_back(0);
}

// Items go into the last block; one that no longer fits starts the next.
HeapBlock& HeapWriter::blockFor(std::size_t size) {
    HeapBlock::checkItemSize(size);
    if (!blocks_.back().fits(size)) {
        blocks_.emplace_back(blocks_.size());
    }
    return blocks_.back();
}

Hid HeapWriter::reserve(std::size_t size) {
    return blockFor(size).appendZeros(size);
}

Hid HeapWriter::allocate(std::span<const std::uint8_t> bytes) {
    return blockFor(bytes.size()).append(bytes);
}

std::span<std::uint8_t> HeapWriter::item(Hid hid) {
    if (hid.block() >= blocks_.size()) {
        HeapBlock::noItem(hid);
    }
    return blocks_[hid.block()].item(hid);
}

std::uint64_t HeapWriter::totalSize() const {
    return (blocks_.size() - 1) * std::uint64_t{ndb::kMaxBlockData} + blocks_.back().finishedSize();
}

std::vector<std::vector<std::uint8_t>> HeapWriter::finish() {
    std::vector<std::uint8_t> levels;
    levels.reserve(blocks_.size());
    for (const HeapBlock& block : blocks_) {
        levels.push_back(block.fillLevel());
    }
    std::vector<std::vector<std::uint8_t>> out;
    out.reserve(blocks_.size());
    for (const HeapBlock& block : blocks_) {
        out.push_back(block.encode(&block == &blocks_.back(), heap_, levels));
    }
    blocks_.clear();
    blocks_.emplace_back(0);
    return out;
}

}  // namespace tolvane::pst::ltp
