#pragma once

#include <optional>
#include <string>

#include "pstcheck/Report.h"
#include "pstcheck/ltp/PropertyContext.h"

namespace tolvane::pstcheck {

// The state Outlook's message list shows, held consistent with itself: a follow-up flag
// (PidTagFlagStatus 1 or 2, never on meeting objects; a time flag, PidTagToDoItemFlags
// todoTimeFlagged, has a status, and the red PidTagFollowupIcon 6 while flagged; MS-OXOFLAG)
// and the last verb (PidTagLastVerbExecuted with its time and the icon of a reply or forward).
void checkMessageState(const PropertyContext& message,
                       const std::optional<std::string>& messageClass, const std::string& where,
                       Report& report);

}  // namespace tolvane::pstcheck
