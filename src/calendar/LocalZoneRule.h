#pragma once

// A zone known only by its yearly rule, as Windows keeps the user's own (it has no IANA name
// libical could look up), written as a VTIMEZONE the importer reads like a file's own.
//
//   LocalZoneRule berlin{"W. Europe Standard Time", -60, 0, -60,
//                        {10, 5, 0, 3, 0}, {3, 5, 0, 2, 0}};
//   ImportOptions options{.localZone = berlin.name, .localZoneDefinition = vtimezoneOf(berlin)};

#include <string>

namespace tolvane::calendar {

// When a zone changes offset, as Windows' SYSTEMTIME gives it: the `week`th `dayOfWeek` of
// `month` (week 5: the last), at the wall-clock time of the offset in force before. With a
// `year`, the change happens once, on day `week` of `month` of that year.
struct ZoneTransition {
    int month = 0;  // 1 to 12; 0: the zone has no such change
    int week = 0;
    int dayOfWeek = 0;  // 0: Sunday
    int hour = 0;
    int minute = 0;
    int year = 0;
};

struct LocalZoneRule {
    std::string name;  // its TZID
    int bias = 0;      // minutes: UTC is the local time plus bias
    int standardBias = 0;
    int daylightBias = 0;
    ZoneTransition toStandard;
    ZoneTransition toDaylight;
};

// The VTIMEZONE of that rule; standard time only when it names no daylight change.
std::string vtimezoneOf(const LocalZoneRule& rule);

}  // namespace tolvane::calendar
