#pragma once

#include "pstcheck/Allocations.h"
#include "pstcheck/Bytes.h"
#include "pstcheck/Header.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

// AMap bits against what the walk found allocated, cbAMapFree, PMap/FMap/FPMap pages where the
// format puts them, and the DList ([MS-PST] 2.2.2.7.2 - 2.2.2.7.6, 2.6.1).
void checkAllocationMaps(Bytes file, const Header& header, Allocations& allocations,
                         Report& report);

}  // namespace tolvane::pstcheck
