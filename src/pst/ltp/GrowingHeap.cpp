#include "pst/ltp/GrowingHeap.h"

#include <algorithm>
#include <string>

#include "pst/PstError.h"

namespace tolvane::pst::ltp {

namespace {

std::size_t headerSize(std::size_t block) {
    if (block == 0) {
        return HnHeader::kSize;
    }
    if (block >= kHnBitmapFirstBlock && (block - kHnBitmapFirstBlock) % kHnBitmapInterval == 0) {
        return kHnBitmapHeaderSize;
    }
    return kHnPageHeaderSize;
}

std::size_t even(std::size_t v) {
    return (v + 1) & ~std::size_t{1};
}

}  // namespace

std::uint8_t heapFillLevel(std::size_t blockSize) {
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

GrowingHeap::GrowingHeap(std::uint8_t clientSig) : clientSig_(clientSig) {
    startBlock();
}

std::size_t GrowingHeap::bitmapOf(std::size_t block) {
    if (block < kHnBitmapFirstBlock) {
        return 0;  // HNHDR holds the levels of blocks 0-7
    }
    return block - (block - kHnBitmapFirstBlock) % kHnBitmapInterval;
}

void GrowingHeap::startBlock() {
    if (blocks_.size() >= kMaxHeapBlocks) {
        throw PstError("heap on node: more than 65535 blocks");
    }
    if (!blocks_.empty()) {
        blocks_.back().dirty = true;  // no longer the last: written again at its full size
    }
    Block block;
    block.content = std::make_unique<Content>();
    block.content->bytes.resize(headerSize(blocks_.size()));
    blocks_.push_back(std::move(block));
}

bool GrowingHeap::fits(const Content& c, std::size_t size) const {
    if (c.starts.size() >= kMaxHeapItemsPerBlock) {
        return false;
    }
    return even(c.bytes.size() + size) + hnPageMapSize(c.starts.size() + 1) <= ndb::kMaxBlockData;
}

GrowingHeap::Content& GrowingHeap::content(std::uint32_t block, const char* what) {
    if (block >= blocks_.size() || !blocks_[block].content) {
        throw PstError(std::string("heap on node: ") + what + " in block " + std::to_string(block) +
                       ", which is no longer in memory");
    }
    return *blocks_[block].content;
}

Hid GrowingHeap::allocate(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxHeapItem) {
        throw PstError("heap on node: item of " + std::to_string(bytes.size()) +
                       " bytes exceeds 3580");
    }
    // The last block first, then any other still in memory: they are written again anyway.
    std::size_t target = blocks_.size() - 1;
    if (!fits(*blocks_[target].content, bytes.size())) {
        target = blocks_.size();
        for (std::size_t b = 0; b + 1 < blocks_.size(); ++b) {
            if (blocks_[b].content && fits(*blocks_[b].content, bytes.size())) {
                target = b;
                break;
            }
        }
        if (target == blocks_.size()) {
            startBlock();
            target = blocks_.size() - 1;
        }
    }
    Block& block = blocks_[target];
    Content& c = *block.content;
    c.starts.push_back(static_cast<std::uint16_t>(c.bytes.size()));
    c.bytes.insert(c.bytes.end(), bytes.begin(), bytes.end());
    block.dirty = true;
    return Hid::make(static_cast<std::uint32_t>(target),
                     static_cast<std::uint32_t>(c.starts.size()));
}

std::span<std::uint8_t> GrowingHeap::item(Hid hid) {
    Content& c = content(hid.block(), "item");
    if (hid.index() == 0 || hid.index() > c.starts.size()) {
        throw PstError("heap on node: no item with HID " + std::to_string(hid.value));
    }
    blocks_[hid.block()].dirty = true;
    const std::size_t start = c.starts[hid.index() - 1];
    const std::size_t end = hid.index() < c.starts.size() ? c.starts[hid.index()] : c.bytes.size();
    return std::span<std::uint8_t>(c.bytes).subspan(start, end - start);
}

void GrowingHeap::free(Hid hid) {
    const std::size_t size = item(hid).size();
    Content& c = content(hid.block(), "free");
    // The bytes go; the items after it move down and keep their HIDs.
    const std::size_t start = c.starts[hid.index() - 1];
    c.bytes.erase(c.bytes.begin() + static_cast<std::ptrdiff_t>(start),
                  c.bytes.begin() + static_cast<std::ptrdiff_t>(start + size));
    for (std::size_t i = hid.index(); i < c.starts.size(); ++i) {
        c.starts[i] = static_cast<std::uint16_t>(c.starts[i] - size);
    }
}

std::vector<std::uint8_t> GrowingHeap::finish(std::size_t b, bool last) {
    const Content& c = *blocks_[b].content;
    const std::size_t itemsEnd = c.bytes.size();
    const std::size_t ibHnpm = even(itemsEnd);
    std::vector<std::uint8_t> bytes = c.bytes;
    // Outlook fills every block of a heap but the last to the full block size.
    bytes.resize(last ? ibHnpm + hnPageMapSize(c.starts.size()) : ndb::kMaxBlockData);
    std::span<std::uint8_t> out(bytes);
    std::uint16_t freed = 0;
    for (std::size_t i = 0; i < c.starts.size(); ++i) {
        const std::size_t end = i + 1 < c.starts.size() ? c.starts[i + 1] : itemsEnd;
        freed = static_cast<std::uint16_t>(freed + (end == c.starts[i] ? 1 : 0));
    }
    ndb::le::put16(out, ibHnpm, static_cast<std::uint16_t>(c.starts.size()));
    ndb::le::put16(out, ibHnpm + 2, freed);
    for (std::size_t i = 0; i < c.starts.size(); ++i) {
        ndb::le::put16(out, ibHnpm + 4 + 2 * i, c.starts[i]);
    }
    ndb::le::put16(out, ibHnpm + 4 + 2 * c.starts.size(), static_cast<std::uint16_t>(itemsEnd));
    if (b == 0) {
        HnHeader header;
        header.ibHnpm = static_cast<std::uint16_t>(ibHnpm);
        header.clientSig = clientSig_;
        header.userRoot = userRoot_;
        for (std::size_t i = 0; i < 8 && i < blocks_.size(); ++i) {
            header.fillLevels |= std::uint32_t{blocks_[i].fill} << (4 * i);
        }
        header.write(out);
    } else {
        ndb::le::put16(out, 0, static_cast<std::uint16_t>(ibHnpm));
        if (headerSize(b) == kHnBitmapHeaderSize) {
            for (std::size_t i = 0; i < kHnBitmapInterval && b + i < blocks_.size(); ++i) {
                out[2 + i / 2] |= static_cast<std::uint8_t>(blocks_[b + i].fill << (4 * (i % 2)));
            }
        }
    }
    return bytes;
}

ndb::Bid GrowingHeap::write(ndb::NodeDatabase& db) {
    // Fill levels first: block 0 and the bitmap blocks carry those of the blocks they cover.
    blocks_[0].dirty = true;
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        if (!blocks_[b].dirty) {
            continue;
        }
        const Content& c = *blocks_[b].content;
        const auto fill = heapFillLevel(even(c.bytes.size()) + hnPageMapSize(c.starts.size()));
        if (fill != blocks_[b].fill || tree_.size() <= b) {
            blocks_[b].fill = fill;
            blocks_[bitmapOf(b)].dirty = true;
            content(static_cast<std::uint32_t>(bitmapOf(b)), "fill level");
        }
    }
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        if (!blocks_[b].dirty) {
            continue;
        }
        const bool last = b + 1 == blocks_.size();
        const auto bytes = finish(b, last);
        tree_.set(b, db.writeBlock(bytes), static_cast<std::uint32_t>(bytes.size()));
        blocks_[b].dirty = false;
    }
    const ndb::Bid root = tree_.root(db);
    // What may change before the next write stays in memory; the rest goes.
    std::vector<bool> keep(blocks_.size(), false);
    keep[0] = true;
    keep[blocks_.size() - 1] = true;
    keep[bitmapOf(blocks_.size() - 1)] = true;
    for (std::uint32_t b : pinned_) {
        keep[b] = true;
        keep[bitmapOf(b)] = true;
    }
    pinned_.clear();
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        if (!keep[b]) {
            blocks_[b].content.reset();
        }
    }
    return root;
}

}  // namespace tolvane::pst::ltp
