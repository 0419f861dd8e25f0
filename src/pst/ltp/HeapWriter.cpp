#include "pst/ltp/HeapWriter.h"

#include <string>

#include "pst/PstError.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::ltp {

HeapWriter::HeapWriter(std::uint8_t clientSig) : clientSig_(clientSig) {
    startBlock();
}

std::size_t HeapWriter::headerSize(std::size_t blockIndex) {
    if (blockIndex == 0) {
        return HnHeader::kSize;
    }
    if (blockIndex >= kHnBitmapFirstBlock &&
        (blockIndex - kHnBitmapFirstBlock) % kHnBitmapInterval == 0) {
        return kHnBitmapHeaderSize;
    }
    return kHnPageHeaderSize;
}

// The page map starts on an even offset; a byte of slack may sit before it.
std::size_t HeapWriter::finishedSize(const Block& block) {
    return ((block.bytes.size() + 1) & ~std::size_t{1}) + hnPageMapSize(block.starts.size());
}

bool HeapWriter::fits(const Block& block, std::size_t itemSize) const {
    if (block.starts.size() >= kMaxHeapItemsPerBlock) {
        return false;
    }
    const std::size_t end = (block.bytes.size() + itemSize + 1) & ~std::size_t{1};
    return end + hnPageMapSize(block.starts.size() + 1) <= ndb::kMaxBlockData;
}

void HeapWriter::startBlock() {
    if (blocks_.size() >= kMaxHeapBlocks) {
        throw PstError("heap on node: more than 65535 blocks");
    }
    Block block;
    block.bytes.resize(headerSize(blocks_.size()));
    blocks_.push_back(std::move(block));
}

Hid HeapWriter::reserve(std::size_t size) {
    if (size > kMaxHeapItem) {
        throw PstError("heap on node: item of " + std::to_string(size) + " bytes exceeds 3580");
    }
    if (!fits(blocks_.back(), size)) {
        startBlock();
    }
    Block& block = blocks_.back();
    block.starts.push_back(static_cast<std::uint16_t>(block.bytes.size()));
    block.bytes.resize(block.bytes.size() + size);
    return Hid::make(static_cast<std::uint32_t>(blocks_.size() - 1),
                     static_cast<std::uint32_t>(block.starts.size()));
}

Hid HeapWriter::allocate(std::span<const std::uint8_t> bytes) {
    const Hid hid = reserve(bytes.size());
    Block& block = blocks_.back();
    std::copy(bytes.begin(), bytes.end(), block.bytes.end() - static_cast<long>(bytes.size()));
    return hid;
}

std::span<std::uint8_t> HeapWriter::item(Hid hid) {
    if (hid.index() == 0 || hid.block() >= blocks_.size() ||
        hid.index() > blocks_[hid.block()].starts.size()) {
        throw PstError("heap on node: no item with HID " + std::to_string(hid.value));
    }
    Block& block = blocks_[hid.block()];
    const std::size_t start = block.starts[hid.index() - 1];
    const std::size_t end =
        hid.index() < block.starts.size() ? block.starts[hid.index()] : block.bytes.size();
    return std::span<std::uint8_t>(block.bytes).subspan(start, end - start);
}

std::uint64_t HeapWriter::totalSize() const {
    return (blocks_.size() - 1) * std::uint64_t{ndb::kMaxBlockData} + finishedSize(blocks_.back());
}

// Fill levels ([MS-PST] 2.3.1.2): how much room is left in a block, in 16 steps.
std::uint8_t HeapWriter::fillLevel(std::size_t blockSize) {
    static constexpr std::size_t kFreeAtLeast[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                                   512,  256,  128,  64,   32,   16,   8};
    const std::size_t free = ndb::kMaxBlockData - blockSize;
    for (std::uint8_t level = 0; level < 15; ++level) {
        if (free >= kFreeAtLeast[level]) {
            return level;
        }
    }
    return 15;
}

std::vector<std::vector<std::uint8_t>> HeapWriter::finish() {
    std::vector<std::uint8_t> levels;
    for (const Block& block : blocks_) {
        levels.push_back(fillLevel(finishedSize(block)));
    }
    std::vector<std::vector<std::uint8_t>> out;
    out.reserve(blocks_.size());
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        Block& block = blocks_[b];
        const std::size_t itemsEnd = block.bytes.size();
        const std::size_t ibHnpm = (itemsEnd + 1) & ~std::size_t{1};
        std::vector<std::uint8_t> bytes = std::move(block.bytes);
        // Outlook fills every block of a heap but the last to the full block size.
        const bool last = b + 1 == blocks_.size();
        bytes.resize(last ? ibHnpm + hnPageMapSize(block.starts.size()) : ndb::kMaxBlockData);
        std::span<std::uint8_t> span(bytes);
        ndb::le::put16(span, ibHnpm, static_cast<std::uint16_t>(block.starts.size()));
        ndb::le::put16(span, ibHnpm + 2, 0);
        for (std::size_t i = 0; i < block.starts.size(); ++i) {
            ndb::le::put16(span, ibHnpm + 4 + 2 * i, block.starts[i]);
        }
        ndb::le::put16(span, ibHnpm + 4 + 2 * block.starts.size(),
                       static_cast<std::uint16_t>(itemsEnd));
        if (b == 0) {
            HnHeader header;
            header.ibHnpm = static_cast<std::uint16_t>(ibHnpm);
            header.clientSig = clientSig_;
            header.userRoot = userRoot_;
            for (std::size_t i = 0; i < 8 && i < levels.size(); ++i) {
                header.fillLevels |= std::uint32_t{levels[i]} << (4 * i);
            }
            header.write(span);
        } else {
            ndb::le::put16(span, 0, static_cast<std::uint16_t>(ibHnpm));
            if (headerSize(b) == kHnBitmapHeaderSize) {
                for (std::size_t i = 0; i < kHnBitmapInterval && b + i < levels.size(); ++i) {
                    span[2 + i / 2] |= static_cast<std::uint8_t>(levels[b + i] << (4 * (i % 2)));
                }
            }
        }
        out.push_back(std::move(bytes));
    }
    blocks_.clear();
    startBlock();
    return out;
}

}  // namespace tolvane::pst::ltp
