#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pstcheck/Report.h"
#include "pstcheck/messaging/CalendarCheck.h"
#include "pstcheck/ndb/BlockSource.h"

namespace tolvane::pstcheck {

// What folder checks need to know of a message.
struct MessageFacts {
    std::optional<std::uint32_t> flags;
    std::optional<std::string> subject;
    std::optional<std::string> messageClass;
    std::uint16_t highestPropId = 0;  // to hold against the named-property map
};

// A message node: its PC, recipient and attachment tables, attachment PCs (rows against
// subnodes, copied columns) and embedded messages, recursively ([MS-PST] 2.4.5, 2.4.6). With
// the store's named properties, every named id must be one of them, and appointments and
// tasks are checked as such.
std::optional<MessageFacts> checkMessage(BlockSource& blocks, std::uint64_t bidData,
                                         std::uint64_t bidSub, const std::string& where,
                                         Report& report, int depth = 0,
                                         const NameIndex* names = nullptr);

}  // namespace tolvane::pstcheck
