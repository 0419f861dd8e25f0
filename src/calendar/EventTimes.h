#pragma once

// When a VEVENT starts and ends, whether it is all-day, and how busy it makes its owner.

#include <libical/ical.h>

#include <optional>

#include "calendar/Times.h"

namespace tolvane::calendar {

struct EventTimes {
    When start;
    When end;
    bool allDay = false;
    std::int64_t durationMinutes() const { return (end.utcSeconds() - start.utcSeconds()) / 60; }
};

// None when the event has no usable DTSTART (reported).
std::optional<EventTimes> eventTimes(icalcomponent* ev, const ZoneSet& zones, Report& report);

// PidLidBusyStatus (MS-OXCICAL 2.1.3.1.1.20.39): Zimbra's and Outlook's X- status first,
// then TRANSP and STATUS. 0 free, 1 tentative, 2 busy, 3 out of office.
std::int32_t busyStatusOf(icalcomponent* ev);

}  // namespace tolvane::calendar
