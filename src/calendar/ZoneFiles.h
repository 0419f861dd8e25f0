#pragma once

// Where libical finds the zones a TZID names when the file carries no VTIMEZONE for it.

namespace tolvane::calendar {

// Points libical at the zone files shipped beside the program, once, before the first zone is
// looked up. Nothing to do where libical reads the system's own zone data.
void useShippedZoneFiles();

}  // namespace tolvane::calendar
