#include "pstcheck/ltp/Heap.h"

#include "pstcheck/ltp/Format.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {
namespace {

constexpr std::uint16_t kMaxAllocsPerBlock = 2047;

std::size_t headerSize(std::size_t block) {
    if (block == 0) {
        return fmt::kHnHdrSize;
    }
    // HNBITMAPHDR on block 8 and every 128th after it [2.3.1.4].
    return (block >= 8 && (block - 8) % 128 == 0) ? fmt::kHnBitmapHdrSize : fmt::kHnPageHdrSize;
}

bool knownClient(std::uint8_t sig) {
    switch (sig) {
        case 0x6C:
        case 0x7C:
        case 0x8C:
        case 0x9C:
        case 0xA5:
        case 0xAC:
        case 0xB5:
        case 0xBC:
        case 0xCC:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::optional<Heap> Heap::open(std::vector<std::vector<std::uint8_t>> blocks,
                               const std::string& where, Report& r) {
    Heap heap;
    heap.where_ = where;
    if (blocks.empty() || blocks[0].size() < fmt::kHnHdrSize || blocks[0][2] != fmt::kHnSig) {
        r.add("HNHDR", "bSig", "node data does not start a heap (no 0xEC)", where);
        return std::nullopt;
    }
    const Bytes first(blocks[0]);
    heap.clientSig_ = u8(first, 3);
    heap.userRoot_ = u32(first, 4);
    if (!knownClient(heap.clientSig_)) {
        r.add("HNHDR", "bClientSig", "is " + hex(heap.clientSig_) + ", not a known client", where);
    }
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const Bytes block(blocks[b]);
        const std::string at_ = where + ", heap block " + std::to_string(b);
        std::vector<std::uint16_t> offsets;
        std::uint16_t ibHnpm = 0;
        try {
            const std::size_t hdr = headerSize(b);
            ibHnpm = u16(block, 0);
            if (ibHnpm % 2 != 0 || ibHnpm < hdr) {
                r.add("HNPAGEMAP", "ibHnpm", "is " + hex(ibHnpm) + " (odd or inside the header)",
                      at_);
            }
            const std::uint16_t cAlloc = u16(block, ibHnpm);
            if (cAlloc > kMaxAllocsPerBlock) {
                r.add("HNPAGEMAP", "cAlloc", "is " + std::to_string(cAlloc) + ", at most 2047",
                      at_);
            }
            const std::size_t mapEnd = ibHnpm + 4u + 2u * (cAlloc + 1u);
            if (mapEnd > block.size()) {
                r.add("HNPAGEMAP", "cAlloc", "page map runs past the block", at_);
                heap.allocs_.emplace_back();
                heap.pageMaps_.push_back(ibHnpm);
                continue;
            }
            // The page map closes the last block; the others are data blocks of a tree, full.
            if (block.size() > fmt::kMaxBlockData) {
                r.add("HNPAGEMAP", "block size",
                      std::to_string(block.size()) + " bytes, more than a block holds", at_);
            } else if (b + 1 == blocks.size() && mapEnd != block.size()) {
                r.add("HNPAGEMAP", "ibHnpm",
                      "page map ends at " + std::to_string(mapEnd) + ", the last block at " +
                          std::to_string(block.size()),
                      at_);
            } else if (b + 1 < blocks.size() && block.size() != fmt::kMaxBlockData) {
                r.add("HNPAGEMAP", "block size",
                      std::to_string(block.size()) + " bytes in a block that is not the last", at_);
            }
            for (std::size_t i = 0; i <= cAlloc; ++i) {
                offsets.push_back(u16(block, ibHnpm + 4 + 2 * i));
            }
            if (offsets.front() != hdr) {
                r.add("HNPAGEMAP", "rgibAlloc",
                      "first allocation at " + hex(offsets.front()) + ", expected " + hex(hdr),
                      at_);
            }
            for (std::size_t i = 1; i < offsets.size(); ++i) {
                if (offsets[i] < offsets[i - 1]) {
                    r.add("HNPAGEMAP", "rgibAlloc",
                          "allocation " + std::to_string(i) + " ends before it starts", at_);
                } else if (static_cast<std::size_t>(offsets[i] - offsets[i - 1]) >
                           fmt::kMaxHeapItem) {
                    r.add("HNPAGEMAP", "rgibAlloc",
                          "allocation " + std::to_string(i) + " is larger than 3580 bytes", at_);
                }
            }
            if (offsets.back() > ibHnpm) {
                r.add("HNPAGEMAP", "rgibAlloc", "allocations run into the page map", at_);
                offsets.assign(1, static_cast<std::uint16_t>(hdr));
            }
        } catch (const Truncated& t) {
            r.add("HNPAGEMAP", "size", t.what(), at_);
            offsets.clear();
        }
        heap.allocs_.push_back(std::move(offsets));
        heap.pageMaps_.push_back(ibHnpm);
    }
    heap.blocks_ = std::move(blocks);
    return heap;
}

std::size_t Heap::itemCount(std::size_t block) const {
    const auto& offsets = allocs_.at(block);
    return offsets.empty() ? 0 : offsets.size() - 1;
}

std::optional<Bytes> Heap::item(std::uint32_t hid) const {
    if ((hid & 0x1F) != 0) {
        return std::nullopt;
    }
    const std::size_t index = (hid >> 5) & 0x7FF;
    const std::size_t block = hid >> 16;
    if (index == 0 || block >= allocs_.size() || index >= allocs_[block].size()) {
        return std::nullopt;
    }
    const auto& offs = allocs_[block];
    // A broken page map was reported when the heap was opened; never read outside the block.
    if (offs[index] < offs[index - 1] || offs[index] > blocks_[block].size()) {
        return std::nullopt;
    }
    return Bytes(blocks_[block]).subspan(offs[index - 1], offs[index] - offs[index - 1]);
}

}  // namespace tolvane::pstcheck
