#pragma once

#include <cstdint>

// Node ids: type and index ([MS-PST] 2.2.2.1) and the node types the checker tells apart.
namespace tolvane::pstcheck {

inline constexpr std::uint32_t nidType(std::uint32_t nid) {
    return nid & 0x1F;
}
inline constexpr std::uint32_t nidIndex(std::uint32_t nid) {
    return nid >> 5;
}
inline constexpr std::uint32_t makeNid(std::uint32_t type, std::uint32_t index) {
    return (index << 5) | type;
}

namespace nidtype {
inline constexpr std::uint32_t kInternal = 0x01, kNormalFolder = 0x02, kSearchFolder = 0x03,
                               kNormalMessage = 0x04, kAttachment = 0x05, kSearchCriteria = 0x07,
                               kAssocMessage = 0x08, kHierarchyTable = 0x0D, kContentsTable = 0x0E,
                               kAssocContentsTable = 0x0F, kSearchContentsTable = 0x10,
                               kAttachmentTable = 0x11, kRecipientTable = 0x12, kLtp = 0x1F;
}

}  // namespace tolvane::pstcheck
