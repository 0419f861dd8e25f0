#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <utility>

namespace tolvane::pst::ndb {

// The file's space above 0x4400 in AMap sections ([MS-PST] 2.2.2.7.2). It keeps the free
// extents (start -> end), never the allocated ones: the AMaps are the complement. The file
// grows a whole section at a time with its map pages reserved ([MS-PST] 2.6.1.1.2).
class SpaceAllocator {
  public:
    SpaceAllocator();

    // Best fit: the smallest free extent that holds size bytes at the alignment, so holes left
    // by freed blocks fill before the file grows.
    std::uint64_t allocate(std::uint64_t size, std::uint64_t alignment);
    void release(std::uint64_t offset, std::uint64_t size);

    std::uint64_t sectionCount() const { return sections_; }
    std::uint64_t fileEnd() const;
    std::uint64_t freeBytes() const { return freeBytes_; }
    const std::map<std::uint64_t, std::uint64_t>& freeExtents() const { return free_; }

  private:
    void addSection();
    void insertFree(std::uint64_t start, std::uint64_t end);
    void eraseFree(std::map<std::uint64_t, std::uint64_t>::iterator it);

    std::uint64_t sections_ = 0;
    std::uint64_t freeBytes_ = 0;
    std::map<std::uint64_t, std::uint64_t> free_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> bySize_;  // (size, start)
};

}  // namespace tolvane::pst::ndb
