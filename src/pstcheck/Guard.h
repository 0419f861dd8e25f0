#pragma once

#include <string>
#include <utility>

#include "pstcheck/Bytes.h"
#include "pstcheck/Report.h"

namespace tolvane::pstcheck {

// Runs one object's checks; a structure too short for what it claims ends that object's
// checks with a problem instead of ending the whole run.
template <typename F>
void guarded(Report& report, const std::string& where, F&& check) {
    try {
        std::forward<F>(check)();
    } catch (const Truncated& t) {
        report.add("STRUCTURE", "size", t.what(), where);
    }
}

}  // namespace tolvane::pstcheck
