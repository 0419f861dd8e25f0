#pragma once

// The fields appointments and tasks share (MS-OXCICAL 2.1.3.1): subject, notes (plain, and
// HTML from X-ALT-DESC), categories, importance, sensitivity, dates of the item itself, and the
// reminder of its first alarm.

#include <libical/ical.h>

#include <optional>
#include <string>

#include "calendar/Report.h"
#include "calendar/Times.h"
#include "mapi/Message.h"

namespace tolvane::calendar {

void setCommonFields(icalcomponent* c, mapi::Message& m);

// Adds a paragraph to the notes: to the plain body, and to the HTML body when there is one.
void appendToNotes(mapi::Message& m, const std::string& text);

struct Reminder {
    std::int32_t minutesBefore = 0;    // before the moment it is for
    std::optional<mapi::FileTime> at;  // an absolute trigger
};
// The reminder of the component's first alarm; `start` and `end` are the moments relative
// triggers count from. A relative trigger after the start is moved to the start (reported); an
// absolute one is kept as it is, and minutesBefore may then be negative.
std::optional<Reminder> reminderOf(icalcomponent* c, std::int64_t startSeconds,
                                   std::int64_t endSeconds, Report& report);

// iCalendar TEXT escapes (\n, \,, \;, \\) undone, for X- properties libical keeps raw.
std::string unescapeText(const std::string& s);

}  // namespace tolvane::calendar
