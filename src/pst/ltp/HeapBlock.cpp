#include "pst/ltp/HeapBlock.h"

#include <algorithm>
#include <string>

#include "pst/ltp/DiskCodec.h"
#include "pst/ndb/BlockWriter.h"

namespace tolvane::pst::ltp {

namespace {

using namespace disk::value;

bool isBitmapBlock(std::size_t index) {
    return index >= kHnBitmapFirstBlock && (index - kHnBitmapFirstBlock) % kHnBitmapInterval == 0;
}

std::size_t headerSize(std::size_t index) {
    if (index == 0) {
        return sizeof(disk::HnHdr);
    }
    return isBitmapBlock(index) ? sizeof(disk::HnBitmapHdr) : sizeof(disk::HnPageHdr);
}

// The page map starts on an even offset; a byte of slack may sit before it.
std::size_t even(std::size_t v) {
    return (v + 1) & ~std::size_t{1};
}

std::size_t pageMapSize(std::size_t items) {
    return sizeof(disk::HnPageMapHead) + 2 * (items + 1);
}

}  // namespace

HeapBlock::HeapBlock(std::size_t index) : index_(index) {
    if (index >= kMaxHeapBlocks) {
        throw PstError("heap on node: more than 65535 blocks");
    }
    bytes_.resize(headerSize(index));
}

void HeapBlock::checkItemSize(std::size_t size) {
    if (size > kMaxHeapItem) {
        throw PstError("heap on node: item of " + std::to_string(size) + " bytes exceeds 3580");
    }
}

std::size_t HeapBlock::levelHolder(std::size_t index) {
    if (index < kHnBitmapFirstBlock) {
        return 0;  // HNHDR holds the levels of blocks 0-7
    }
    return index - (index - kHnBitmapFirstBlock) % kHnBitmapInterval;
}

void HeapBlock::noItem(Hid hid) {
    throw PstError("heap on node: no item with HID " + std::to_string(hid.value));
}

bool HeapBlock::fits(std::size_t size) const {
    if (starts_.size() >= kMaxHeapItemsPerBlock) {
        return false;
    }
    return even(bytes_.size() + size) + pageMapSize(starts_.size() + 1) <= ndb::kMaxBlockData;
}

Hid HeapBlock::appendZeros(std::size_t size) {
    starts_.push_back(static_cast<std::uint16_t>(bytes_.size()));
    bytes_.resize(bytes_.size() + size);
    return Hid::make(static_cast<std::uint32_t>(index_),
                     static_cast<std::uint32_t>(starts_.size()));
}

Hid HeapBlock::append(std::span<const std::uint8_t> bytes) {
    starts_.push_back(static_cast<std::uint16_t>(bytes_.size()));
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return Hid::make(static_cast<std::uint32_t>(index_),
                     static_cast<std::uint32_t>(starts_.size()));
}

bool HeapBlock::holds(Hid hid) const {
    return hid.block() == index_ && hid.index() != 0 && hid.index() <= starts_.size();
}

std::size_t HeapBlock::itemEnd(std::size_t i) const {
    return i + 1 < starts_.size() ? starts_[i + 1] : bytes_.size();
}

std::span<std::uint8_t> HeapBlock::item(Hid hid) {
    if (!holds(hid)) {
        noItem(hid);
    }
    const std::size_t i = hid.index() - 1;
    return std::span<std::uint8_t>(bytes_).subspan(starts_[i], itemEnd(i) - starts_[i]);
}

void HeapBlock::free(Hid hid) {
    const std::size_t size = item(hid).size();
    const std::size_t i = hid.index() - 1;
    if (size == 0) {
        throw PstError("heap on node: item with HID " + std::to_string(hid.value) +
                       " is empty or freed already");
    }
    // The bytes go; the items after it move down and keep their HIDs.
    bytes_.erase(bytes_.begin() + starts_[i], bytes_.begin() + starts_[i] + size);
    for (std::size_t k = i + 1; k < starts_.size(); ++k) {
        starts_[k] = static_cast<std::uint16_t>(starts_[k] - size);
    }
    ++freed_;
}

std::size_t HeapBlock::pageMapOffset() const {
    return even(bytes_.size());
}

std::size_t HeapBlock::finishedSize() const {
    return pageMapOffset() + pageMapSize(starts_.size());
}

std::uint8_t HeapBlock::fillLevel() const {
    static constexpr std::size_t kFreeAtLeast[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                                   512,  256,  128,  64,   32,   16,   8};
    const std::size_t free = ndb::kMaxBlockData - finishedSize();
    for (std::uint8_t level = 0; level < 15; ++level) {
        if (free >= kFreeAtLeast[level]) {
            return level;
        }
    }
    return 15;
}

std::vector<std::uint8_t> HeapBlock::encode(bool last, const HeapIdentity& heap,
                                            std::span<const std::uint8_t> levels) const {
    const std::size_t ibHnpm = pageMapOffset();
    std::vector<std::uint8_t> out = bytes_;
    out.resize(last ? finishedSize() : ndb::kMaxBlockData);
    ndb::LeWriter map{std::span(out).subspan(ibHnpm)};
    write(map, disk::HnPageMapHead{static_cast<std::uint16_t>(starts_.size()), freed_});
    for (std::uint16_t start : starts_) {
        map.u16(start);
    }
    map.u16(static_cast<std::uint16_t>(bytes_.size()));

    const auto ib = static_cast<std::uint16_t>(ibHnpm);
    if (index_ == 0) {
        disk::HnHdr header{ib, kHnSig, heap.clientSig, heap.userRoot.value, 0};
        for (std::size_t i = 0; i < 8 && i < levels.size(); ++i) {
            header.rgbFillLevel |= std::uint32_t{levels[i]} << (4 * i);
        }
        disk::writeAt(out, header);
    } else if (isBitmapBlock(index_)) {
        disk::HnBitmapHdr header{ib, {}};
        for (std::size_t i = 0; i < kHnBitmapInterval && index_ + i < levels.size(); ++i) {
            header.rgbFillLevel[i / 2] |=
                static_cast<std::uint8_t>(levels[index_ + i] << (4 * (i % 2)));
        }
        disk::writeAt(out, header);
    } else {
        disk::writeAt(out, disk::HnPageHdr{ib});
    }
    return out;
}

}  // namespace tolvane::pst::ltp
