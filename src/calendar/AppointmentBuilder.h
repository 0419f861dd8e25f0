#pragma once

// One VEVENT (with the VEVENTs that change its occurrences) as an IPM.Appointment
// (MS-OXOCAL 2.2.1, MS-OXCICAL 2.1.3.1).

#include <libical/ical.h>

#include <optional>
#include <vector>

#include "calendar/Report.h"
#include "calendar/Times.h"
#include "calendar/ZoneRules.h"
#include "mapi/Message.h"

namespace tolvane::calendar {

struct AppointmentResult {
    mapi::Message message;
    // Overrides that change no occurrence of this series: each becomes an item of its own.
    std::vector<icalcomponent*> strays;
};

// None when the event cannot be an appointment (reported).
std::optional<AppointmentResult> buildAppointment(icalcomponent* event,
                                                  const std::vector<icalcomponent*>& overrides,
                                                  const ZoneSet& zones, ZoneRuleCache& rules,
                                                  Report& report);

}  // namespace tolvane::calendar
