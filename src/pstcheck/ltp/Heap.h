#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

// [MS-PST] 2.3.1 heap-on-node over a node's data blocks: header, page maps, allocations.
class Heap {
  public:
    // Checks every block's header and page map; nothing when block 0 is no heap at all.
    static std::optional<Heap> open(std::vector<std::vector<std::uint8_t>> blocks,
                                    const std::string& where, Report& report);

    std::uint8_t clientSig() const { return clientSig_; }
    std::uint32_t userRoot() const { return userRoot_; }
    // The allocation a HID names, or nothing when the HID is malformed or out of range.
    std::optional<Bytes> item(std::uint32_t hid) const;
    const std::string& where() const { return where_; }

    std::size_t blockCount() const { return blocks_.size(); }
    // Allocations in one block (cAlloc), and where its page map starts (ibHnpm).
    std::size_t itemCount(std::size_t block) const;
    std::uint16_t pageMapOffset(std::size_t block) const { return pageMaps_.at(block); }

  private:
    std::vector<std::vector<std::uint8_t>> blocks_;
    std::vector<std::vector<std::uint16_t>> allocs_;  // rgibAlloc per block
    std::vector<std::uint16_t> pageMaps_;
    std::uint8_t clientSig_ = 0;
    std::uint32_t userRoot_ = 0;
    std::string where_;
};

}  // namespace tolvane::pstcheck
