#pragma once

// The time-zone properties' binary forms: PidLidTimeZoneStruct (MS-OXOCAL 2.2.1.39, one rule)
// and the TZDEFINITION of PidLidAppointmentTimeZoneDefinition* (2.2.1.41, every rule).

#include "calendar/ZoneRules.h"
#include "mapi/PropValue.h"

namespace tolvane::calendar {

// TZRULE wTZRuleFlags (MS-OXOCAL 2.2.1.41.1).
inline constexpr std::uint16_t kRuleRecurCurrent = 0x0001;
inline constexpr std::uint16_t kRuleEffective = 0x0002;

mapi::Bytes timeZoneStruct(const ZoneRule& rule);
// `recurYear`: for the recurrence's definition, the year whose rule the series' TZSTRUCT
// holds (that rule is marked as the recurrence's); none for the display definitions.
mapi::Bytes timeZoneDefinition(const Zone& zone, std::optional<int> recurYear);

}  // namespace tolvane::calendar
