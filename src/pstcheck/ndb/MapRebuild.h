#pragma once

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"
#include "pstcheck/ndb/Allocations.h"
#include "pstcheck/ndb/Header.h"

namespace tolvane::pstcheck {

// For a file whose maps are marked INVALID_AMAP, what rebuilding them from the B-trees relies
// on ([MS-PST] 2.6.1.3.7): every page and block the B-trees reach lies in the AMap sections
// below ibFileEof, clear of the map pages the rebuild rewrites, no two overlapping. (Their
// alignment is checked where they are read.)
void checkMapRebuild(const Header& header, Allocations& allocations, Report& report);

}  // namespace tolvane::pstcheck
