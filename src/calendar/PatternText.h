#pragma once

// PidLidRecurrencePattern: the series in words, as Outlook shows it on the item
// ("every 2 weeks on Monday and Friday effective 2024-01-08 until 2024-06-28 from 09:00 to 09:30").

#include <string>

#include "calendar/RecurrencePattern.h"

namespace tolvane::calendar {

std::string patternText(const AppointmentRecurrence& r, bool allDay);
std::string patternText(const RecurrencePattern& p);

}  // namespace tolvane::calendar
