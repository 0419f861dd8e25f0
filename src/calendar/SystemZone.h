#pragma once

#include <string>

namespace tolvane::calendar {

// The system's time zone by its IANA name (TZ, else the zone /etc/localtime links to), when
// libical knows it; empty, which the importer reads as UTC, when there is none or it does not.
std::string systemZoneName();

}  // namespace tolvane::calendar
