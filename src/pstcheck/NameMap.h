#pragma once

#include <cstdint>
#include <optional>

#include "pstcheck/BTrees.h"
#include "pstcheck/BlockStore.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

// [MS-PST] 2.4.7 name-to-id map (NID 0x61): bucket count, GUID, entry and string streams, and
// every entry in the one hash bucket it belongs to. Returns how many named properties exist
// (ids 0x8000 up to 0x8000 + count - 1 are registered), or nothing when the map is unusable.
std::optional<std::uint32_t> checkNameMap(const BTrees& trees, BlockStore& blocks, Report& report);

}  // namespace tolvane::pstcheck
