#pragma once

#include <cstdint>

#include "pstcheck/Report.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/BlockSource.h"
#include "pstcheck/ndb/Header.h"

namespace tolvane::pstcheck {

struct MessagingSummary {
    std::uint64_t folders = 0;
    std::uint64_t messages = 0;
};

// The messaging layer over the LTP layer: store, name-to-id map, every message, every
// folder with its tables, the remaining tables, and the NID high-water marks.
MessagingSummary checkMessaging(const Header& header, const BTrees& trees, BlockSource& blocks,
                                Report& report);

}  // namespace tolvane::pstcheck
