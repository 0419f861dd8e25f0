#pragma once

// ORGANIZER and ATTENDEE as the appointment's recipient table and attendee strings
// (MS-OXCICAL 2.1.3.1.1.20.2, 2.1.3.1.1.20.22). The user owns the item: nothing is sent, the
// organizer is kept as a recipient flagged as organizer and as the item's sender.

#include <libical/ical.h>

#include "mapi/Message.h"

namespace tolvane::calendar {

void setAttendees(icalcomponent* c, mapi::Message& m);

}  // namespace tolvane::calendar
