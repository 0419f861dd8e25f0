#pragma once

// One VTODO as an IPM.Task (MS-OXOTASK 2.2.2, MS-OXCICAL 2.1.3.4): status, percent complete,
// start and due dates, and a recurrence as far as Outlook's task recurrence says it.

#include <libical/ical.h>

#include <optional>

#include "calendar/Report.h"
#include "calendar/Times.h"
#include "mapi/Message.h"

namespace tolvane::calendar {

std::optional<mapi::Message> buildTask(icalcomponent* todo, const ZoneSet& zones, Report& report);

}  // namespace tolvane::calendar
