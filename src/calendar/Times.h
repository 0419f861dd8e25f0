#pragma once

// The time zones an import knows (the file's VTIMEZONEs, then libical's built-in zones) and
// the date-time properties read through them.

#include <libical/ical.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "calendar/Report.h"
#include "mapi/PropValue.h"

namespace tolvane::calendar {

class ZoneSet {
  public:
    // `localZone`: the zone for all-day dates and floating times (a TZID libical knows, or the
    // TZID of `localDefinition`, a VTIMEZONE); empty means UTC.
    explicit ZoneSet(const std::string& localZone = {}, const std::string& localDefinition = {});
    ~ZoneSet();
    ZoneSet(const ZoneSet&) = delete;
    ZoneSet& operator=(const ZoneSet&) = delete;

    // Parses one VTIMEZONE; a second one of the same TZID is ignored.
    void add(std::string_view vtimezone, Report& report);
    // The file's zone of that TZID, else libical's built-in zone of that name, else null.
    icaltimezone* find(const std::string& tzid) const;
    icaltimezone* local() const { return local_; }  // null: UTC
    std::string localName() const;

  private:
    std::map<std::string, icaltimezone*> zones_;
    icaltimezone* local_ = nullptr;
};

// A DTSTART, DTEND, DUE, RECURRENCE-ID or EXDATE value.
struct When {
    icaltimetype wall{};           // the wall clock in `zone` (a date for all-day values)
    icaltimezone* zone = nullptr;  // null: UTC
    std::string zoneName;          // the TZID, or "UTC"
    bool date = false;             // a DATE value

    std::int64_t utcSeconds() const;
    mapi::FileTime utc() const { return mapi::FileTime::fromUnixSeconds(utcSeconds()); }
    // Minutes since 1601 on the wall clock of `in` (null: UTC).
    std::int64_t wallMinutesIn(icaltimezone* in) const;
    int year() const { return wall.year; }
};

// The value of a date-time property. Unknown zones are reported and taken as UTC; floating
// times and dates are on the local zone's wall clock.
std::optional<When> whenOf(icalproperty* p, const ZoneSet& zones, Report& report);
// The same moment on another zone's wall clock.
When inZone(const When& w, icaltimezone* zone, const std::string& name);
// Minutes since 1601 of a wall clock.
std::int64_t wallMinutes(const icaltimetype& t);

}  // namespace tolvane::calendar
