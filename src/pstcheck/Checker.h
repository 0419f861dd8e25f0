#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

struct CheckResult {
    enum class Outcome { Checked, SkippedAnsi, NotPst } outcome = Outcome::NotPst;
    Report report;
    std::uint64_t tolerated = 0;
    std::uint64_t nodes = 0;
    std::uint64_t blocks = 0;
    std::uint64_t pages = 0;
    std::uint64_t folders = 0;
    std::uint64_t messages = 0;
};

struct CheckOptions {
    // Also report what Outlook itself leaves in its files (see Report::tolerate).
    bool strict = false;
    // When set, the node list (nid, type, parent, data and subnode blocks) is written here.
    std::ostream* dump = nullptr;
    // Only the node database (header, pages, B-trees, blocks, maps): for files whose nodes
    // hold raw bytes rather than heaps.
    bool nodeDatabaseOnly = false;
    // False leaves the trailers of external blocks unread, for files of many GiB.
    bool checkDataBlocks = true;
};

// Walks a whole PST image and checks every invariant it knows.
CheckResult checkPst(Bytes file, const CheckOptions& options = {});

}  // namespace tolvane::pstcheck
