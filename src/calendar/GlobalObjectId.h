#pragma once

// PidLidGlobalObjectId and PidLidCleanGlobalObjectId from a UID (MS-OXOCAL 2.2.1.27,
// MS-OXCICAL 2.1.3.1.1.20.27): the UID Outlook itself wrote is given back as it was; any
// other is wrapped as a "vCal-Uid".

#include <optional>
#include <string>

#include "calendar/CivilTime.h"
#include "mapi/PropValue.h"

namespace tolvane::calendar {

// `instance`: the original date of an exception, none for the series or a single item.
mapi::Bytes globalObjectId(const std::string& uid, std::optional<CivilDate> instance);

}  // namespace tolvane::calendar
