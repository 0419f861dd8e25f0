#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

// The file ranges the walk found in use (pages and blocks), to hold against the AMap.
class Allocations {
  public:
    struct Range {
        std::uint64_t ib;
        std::uint64_t size;
        std::string what;
    };
    void add(std::uint64_t ib, std::uint64_t size, std::string what);
    // Sorted by offset; overlapping ranges are reported once each.
    const std::vector<Range>& sorted(Report& report);

  private:
    std::vector<Range> ranges_;
    bool sorted_ = false;
};

}  // namespace tolvane::pstcheck
