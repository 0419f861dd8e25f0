#pragma once

#include <cstdint>
#include <optional>

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

struct PageExpectation {
    const char* structure;  // name used in problems, e.g. "NBT_PAGE"
    std::uint8_t ptype;
    bool signed_;                      // B-tree and DList pages carry wSig; map pages store 0
    std::optional<std::uint64_t> bid;  // the BREF's bid, or the page's own offset for maps
};

// [MS-PST] 2.2.2.7.1: checks the PAGETRAILER of the 512-byte page at ib and returns the page,
// or nothing when the page is outside the file.
std::optional<Bytes> checkPage(Bytes file, std::uint64_t ib, const PageExpectation& want,
                               Report& report);

}  // namespace tolvane::pstcheck
