#pragma once

#include <cstdint>

// Node ids the checker needs by value ([MS-PST] 2.2.2.1, 2.4.1) and property tags it reads.
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

namespace nid {
inline constexpr std::uint32_t kMessageStore = 0x21, kNameToIdMap = 0x61, kRootFolder = 0x122,
                               kAttachmentTable = 0x671, kRecipientTable = 0x692;
}

namespace tag {
inline constexpr std::uint32_t kDisplayName = 0x3001001F, kContentCount = 0x36020003,
                               kContentUnread = 0x36030003, kSubfolders = 0x360A000B,
                               kMessageFlags = 0x0E070003, kSubject = 0x0037001F,
                               kMessageClass = 0x001A001F, kLtpRowId = 0x67F20003,
                               kLtpRowVer = 0x67F30003, kHiddenCount = 0x66350003,
                               kHiddenUnread = 0x66360003;
}

}  // namespace tolvane::pstcheck
