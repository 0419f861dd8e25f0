#pragma once

#include <cstddef>
#include <cstdint>

// Sizes and codes of the lists, tables and property contexts inside nodes ([MS-PST] 2.3).
namespace tolvane::pstcheck::fmt {

// [2.3.1] heap on node
inline constexpr std::uint8_t kHnSig = 0xEC;
inline constexpr std::uint8_t kClientPc = 0xBC, kClientTc = 0x7C, kClientBth = 0xB5;
inline constexpr std::size_t kHnHdrSize = 12, kHnPageHdrSize = 2, kHnBitmapHdrSize = 66;
inline constexpr std::size_t kMaxHeapItem = 3580;  // [2.6.2.1.2]

}  // namespace tolvane::pstcheck::fmt

namespace tolvane::pstcheck::tag {

// [2.3.4.4.1] the two columns every table context has.
inline constexpr std::uint32_t kLtpRowId = 0x67F20003, kLtpRowVer = 0x67F30003;

}  // namespace tolvane::pstcheck::tag
