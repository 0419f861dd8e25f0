#include "pst/ndb/SpaceAllocator.h"

#include <iterator>
#include <stdexcept>
#include <string>

#include "pst/PstError.h"
#include "pst/ndb/Layout.h"

namespace tolvane::pst::ndb {

using namespace layout;

SpaceAllocator::SpaceAllocator() {
    addSection();
}

std::uint64_t SpaceAllocator::fileEnd() const {
    return sectionStart(sections_);
}

std::uint64_t SpaceAllocator::allocate(std::uint64_t size, std::uint64_t alignment) {
    if (size == 0 || size % kSlotSize != 0 || size > kSectionSize / 2 ||
        alignment % kSlotSize != 0) {
        throw std::logic_error("SpaceAllocator: cannot allocate " + std::to_string(size) +
                               " bytes aligned to " + std::to_string(alignment));
    }
    const std::uint64_t keep = reserveOpen_ ? 0 : reserve_;
    for (;;) {
        if (freeBytes_ >= size + keep) {
            if (const std::uint64_t at = tryAllocate(size, alignment); at != 0) {
                return at;
            }
        }
        const std::uint64_t before = sections_;
        if (grow_) {
            grow_(size + keep);
        } else {
            addSection();
        }
        if (sections_ == before) {
            throw std::logic_error("SpaceAllocator: the file did not grow");
        }
    }
}

std::uint64_t SpaceAllocator::tryAllocate(std::uint64_t size, std::uint64_t alignment) {
    for (auto it = bySize_.lower_bound({size, 0}); it != bySize_.end(); ++it) {
        const auto [extentSize, start] = *it;
        const std::uint64_t end = start + extentSize;
        const std::uint64_t at = alignUp(start, alignment);
        if (at + size > end) {
            continue;
        }
        eraseFree(free_.find(start));
        insertFree(start, at);
        insertFree(at + size, end);
        markChanged(at);
        return at;
    }
    return 0;
}

void SpaceAllocator::addSections(std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        addSection();
    }
}

std::set<std::uint64_t> SpaceAllocator::takeChangedSections() {
    return std::exchange(changed_, {});
}

void SpaceAllocator::markChanged(std::uint64_t offset) {
    changed_.insert((offset - kFirstAMapOffset) / kSectionSize);
}

void SpaceAllocator::release(std::uint64_t offset, std::uint64_t size) {
    std::uint64_t start = offset;
    std::uint64_t end = offset + size;
    if (size == 0 || offset % kSlotSize != 0 || size % kSlotSize != 0 || end > fileEnd() ||
        offset < kFirstAMapOffset) {
        throw std::logic_error("SpaceAllocator: cannot release " + std::to_string(size) +
                               " bytes at " + std::to_string(offset));
    }
    auto next = free_.lower_bound(start);
    if (next != free_.end() && next->first < end) {
        throw std::logic_error("SpaceAllocator: releasing " + std::to_string(offset) +
                               " twice (free extent at " + std::to_string(next->first) + ")");
    }
    if (next != free_.begin()) {
        auto prev = std::prev(next);
        if (prev->second > start) {
            throw std::logic_error("SpaceAllocator: releasing " + std::to_string(offset) +
                                   " twice (free extent at " + std::to_string(prev->first) + ")");
        }
        if (prev->second == start) {
            start = prev->first;
            eraseFree(prev);
        }
    }
    if (next != free_.end() && next->first == end) {
        end = next->second;
        eraseFree(next);
    }
    insertFree(start, end);
    markChanged(offset);
}

void SpaceAllocator::addSection() {
    const std::uint64_t k = sections_++;
    changed_.insert(k);
    const std::uint64_t base = sectionStart(k);
    // Map pages sit at fixed places; free space lies between and after them.
    std::uint64_t cursor = base + kPageSize;  // the AMap
    for (const auto& [present, at] :
         {std::pair{hasPMap(k), kPMapInSection}, std::pair{hasFMap(k), kFMapInSection},
          std::pair{hasFPMap(k), kFPMapInSection}}) {
        if (present) {
            insertFree(cursor, base + at);
            cursor = base + at + kPageSize;
        }
    }
    insertFree(cursor, base + kSectionSize);
}

void SpaceAllocator::insertFree(std::uint64_t start, std::uint64_t end) {
    if (start >= end) {
        return;
    }
    free_.emplace(start, end);
    bySize_.emplace(end - start, start);
    freeBytes_ += end - start;
}

void SpaceAllocator::eraseFree(std::map<std::uint64_t, std::uint64_t>::iterator it) {
    bySize_.erase({it->second - it->first, it->first});
    freeBytes_ -= it->second - it->first;
    free_.erase(it);
}

}  // namespace tolvane::pst::ndb
