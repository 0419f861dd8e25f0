#pragma once

#include <string>

namespace tolvane::calendar {

// The system's time zone by its IANA name (TZ, else the zone /etc/localtime links to), when
// libical knows it; empty, which the importer reads as UTC, when there is none or it does not.
std::string systemZoneName();

// The zone an import places floating times and all-day dates in, as ImportOptions takes it:
// systemZoneName() where there is one; else, on Windows, the user's own zone under its
// Windows name with a VTIMEZONE made from its current rule; else none (UTC).
struct LocalZone {
    std::string name;
    std::string definition;
};
LocalZone systemLocalZone();

#ifdef _WIN32
// Windows' own zone for the user, whatever TZ says; empty when Windows names none.
LocalZone windowsLocalZone();
#endif

}  // namespace tolvane::calendar
