#pragma once

#include <cstdint>

#include "pstcheck/BTrees.h"
#include "pstcheck/BlockStore.h"
#include "pstcheck/Header.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

struct MessagingSummary {
    std::uint64_t folders = 0;
    std::uint64_t messages = 0;
};

// The messaging layer over the LTP layer: store, name-to-id map, every message, every
// folder with its tables, the remaining tables, and the NID high-water marks.
MessagingSummary checkMessaging(const Header& header, const BTrees& trees, BlockStore& blocks,
                                Report& report);

}  // namespace tolvane::pstcheck
