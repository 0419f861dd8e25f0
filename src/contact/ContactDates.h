#pragma once

// Birthdays and anniversaries as Zimbra and vCards write them: "1970-04-14", "19700414",
// "1970-04-14T00:00:00Z", and without a year "--04-14" or "--0414" (vCard 4.0), which
// Outlook's date properties cannot hold.

#include <optional>
#include <string_view>

#include "mapi/PropValue.h"

namespace tolvane::contact {

struct ContactDate {
    int year = 0;  // 0: no year given
    int month = 0;
    int day = 0;
};

std::optional<ContactDate> parseContactDate(std::string_view text);

// The date at 00:00 UTC: Outlook keeps no time zone with a birthday, and readers show the
// date of the UTC value.
mapi::FileTime midnightUtc(const ContactDate& date);

}  // namespace tolvane::contact
