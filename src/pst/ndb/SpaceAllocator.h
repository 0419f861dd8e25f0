#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <utility>

namespace tolvane::pst::ndb {

// The file's space above 0x4400 in AMap sections ([MS-PST] 2.2.2.7.2). It keeps the free
// extents (start -> end), never the allocated ones: the AMaps are the complement. The file
// grows whole sections at a time with their map pages reserved ([MS-PST] 2.6.1.1.2), and only
// when the owner says so: the grow callback is asked for room and adds the sections.
class SpaceAllocator {
  public:
    SpaceAllocator();

    // Called with the bytes wanted when no free extent holds them; must add sections or throw.
    void setGrow(std::function<void(std::uint64_t bytes)> grow) { grow_ = std::move(grow); }
    // Bytes kept free for the next commit: other allocations grow the file before they would
    // eat into them.
    void setReserve(std::uint64_t bytes) { reserve_ = bytes; }
    // While open, allocations may use the reserve (the commit's own writes).
    void openReserve(bool open) { reserveOpen_ = open; }

    // Best fit: the smallest free extent that holds size bytes at the alignment, so holes left
    // by freed blocks fill before the file grows.
    std::uint64_t allocate(std::uint64_t size, std::uint64_t alignment);
    void release(std::uint64_t offset, std::uint64_t size);
    void addSections(std::uint64_t count);

    std::uint64_t sectionCount() const { return sections_; }
    std::uint64_t fileEnd() const;
    std::uint64_t freeBytes() const { return freeBytes_; }
    const std::map<std::uint64_t, std::uint64_t>& freeExtents() const { return free_; }

    // Sections whose use changed since the last call, in order.
    std::set<std::uint64_t> takeChangedSections();
    void markChanged(std::uint64_t offset);

  private:
    std::uint64_t tryAllocate(std::uint64_t size, std::uint64_t alignment);
    void addSection();
    void insertFree(std::uint64_t start, std::uint64_t end);
    void eraseFree(std::map<std::uint64_t, std::uint64_t>::iterator it);

    std::uint64_t sections_ = 0;
    std::uint64_t freeBytes_ = 0;
    std::uint64_t reserve_ = 0;
    bool reserveOpen_ = false;
    std::map<std::uint64_t, std::uint64_t> free_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> bySize_;  // (size, start)
    std::set<std::uint64_t> changed_;
    std::function<void(std::uint64_t)> grow_;
};

}  // namespace tolvane::pst::ndb
