#pragma once

// Finds the top-level components of iCalendar text without parsing them: their kind, where
// they are, their UID and the time zones they name. Each item is then parsed on its own with
// libical, so a file of ten thousand events is never one parsed tree, and one broken
// component does not take the others with it.

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::calendar {

struct ComponentSpan {
    std::string kind;       // "VEVENT", "VTODO", "VTIMEZONE", ... upper case
    std::size_t begin = 0;  // the BEGIN line
    std::size_t end = 0;    // past the END line
    std::size_t line = 0;   // 1-based line of BEGIN, for reports
    std::string uid;        // unfolded; empty when the component has none
    std::string tzid;       // a VTIMEZONE's own TZID
    bool recurrenceId = false;
    bool complete = true;              // false: the text ended before its END line
    std::set<std::string> zonesNamed;  // TZID parameters of its properties
};

std::vector<ComponentSpan> splitComponents(std::string_view text);

}  // namespace tolvane::calendar
