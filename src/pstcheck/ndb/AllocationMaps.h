#pragma once

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"
#include "pstcheck/ndb/Allocations.h"
#include "pstcheck/ndb/Header.h"

namespace tolvane::pstcheck {

// AMap bits against what the walk found allocated, cbAMapFree, PMap/FMap/FPMap pages where the
// format puts them, and the DList ([MS-PST] 2.2.2.7.2 - 2.2.2.7.6, 2.6.1).
// Free space by the AMaps alone: their zero bits times 64.
std::uint64_t amapFreeBytes(Bytes file);

void checkAllocationMaps(Bytes file, const Header& header, Allocations& allocations,
                         Report& report);

}  // namespace tolvane::pstcheck
