#pragma once

#include <cstdint>

#include "pstcheck/ltp/Format.h"
#include "pstcheck/ndb/Ids.h"

// Nodes the messaging layer finds by value ([MS-PST] 2.4.1, 2.4.5) and the property tags it
// reads.
namespace tolvane::pstcheck {

namespace nid {
inline constexpr std::uint32_t kMessageStore = 0x21, kNameToIdMap = 0x61, kRootFolder = 0x122,
                               kAttachmentTable = 0x671, kRecipientTable = 0x692;
}

namespace tag {
inline constexpr std::uint32_t kDisplayName = 0x3001001F, kContentCount = 0x36020003,
                               kContentUnread = 0x36030003, kSubfolders = 0x360A000B,
                               kMessageFlags = 0x0E070003, kSubject = 0x0037001F,
                               kMessageClass = 0x001A001F, kHiddenCount = 0x66350003,
                               kHiddenUnread = 0x66360003, kContainerClass = 0x3613001F;
}

}  // namespace tolvane::pstcheck
