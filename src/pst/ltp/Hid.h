#pragma once

#include <cstdint>

#include "pst/Hex.h"
#include "pst/PstError.h"

namespace tolvane::pst::ltp {

// Heap id ([MS-PST] 2.3.1.1): 5 bits of type (HID, 0), an 11-bit 1-based allocation index and
// a 16-bit block index.
struct Hid {
    static constexpr std::uint32_t kMaxBlock = 0xFFFF;
    static constexpr std::uint32_t kMaxIndex = 0x7FF;
    std::uint32_t value = 0;

    // Throws PstError for a block or index that does not fit its bits rather than cutting it.
    static constexpr Hid make(std::uint32_t block, std::uint32_t index) {
        if (block > kMaxBlock || index == 0 || index > kMaxIndex) {
            throw PstError("heap on node: no HID for item " + hex(index) + " of block " +
                           hex(block));
        }
        return Hid{(block << 16) | (index << 5)};
    }
    constexpr std::uint32_t block() const { return value >> 16; }
    constexpr std::uint32_t index() const { return (value >> 5) & kMaxIndex; }
    constexpr bool isNull() const { return value == 0; }
    friend constexpr bool operator==(const Hid&, const Hid&) = default;
};

}  // namespace tolvane::pst::ltp
