#pragma once

// A recurring VEVENT as Outlook's series: the RRULE as a pattern, EXDATEs and cancelled
// occurrences as deletions, RECURRENCE-ID overrides as exceptions (MS-OXCICAL 2.1.3.2).

#include <libical/ical.h>

#include <optional>
#include <vector>

#include "calendar/EventTimes.h"
#include "calendar/RecurrencePattern.h"
#include "calendar/Report.h"

namespace tolvane::calendar {

// One changed occurrence: the override and where its ExceptionInfo is.
struct ChangedOccurrence {
    icalcomponent* override = nullptr;
    EventTimes times;           // the changed start and end
    When originalStart;         // the occurrence it replaces
    std::size_t exception = 0;  // index into AppointmentRecurrence::exceptions
};

struct Series {
    AppointmentRecurrence recurrence;
    std::vector<ChangedOccurrence> changed;
    std::int64_t firstStart = 0;  // wall-clock minutes of the first occurrence
    int lastYear = 0;             // of the last occurrence, or of the start plus ten years
    std::int64_t lastDate = 0;    // minutes: midnight of the last occurrence on the wall clock
};

// What the exceptions compare themselves with.
struct MasterFields {
    std::string subject;
    std::string location;
    std::string description;
    std::int32_t busyStatus = 2;
    std::optional<std::int32_t> reminderMinutes;
    bool allDay = false;
};

// None when the event stays a single appointment (no RRULE, or one Outlook has no pattern
// for: reported, its text kept in `notes`). Overrides that name no occurrence of the series go
// to `strays`.
std::optional<Series> buildSeries(icalcomponent* master, const EventTimes& times,
                                  const MasterFields& fields,
                                  const std::vector<icalcomponent*>& overrides,
                                  const ZoneSet& zones, Report& report,
                                  std::vector<icalcomponent*>& strays,
                                  std::vector<std::string>& notes);

}  // namespace tolvane::calendar
