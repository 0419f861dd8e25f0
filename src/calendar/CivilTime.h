#pragma once

// Calendar arithmetic on the proleptic Gregorian calendar, counted as Outlook's recurrence
// blobs count: days and minutes since midnight, 1 January 1601.

#include <cstdint>

#include "mapi/PropValue.h"

namespace tolvane::calendar {

inline constexpr std::int64_t kMinutesPerDay = 1440;

struct CivilDate {
    int year = 1601;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

std::int64_t daysSince1601(CivilDate date);
CivilDate dateOfDay(std::int64_t daysSince1601);
// 0 = Sunday ... 6 = Saturday, as SYSTEMTIME and the blobs number weekdays.
int weekday(CivilDate date);
int daysInMonth(int year, int month);

// Minutes since 1601 of a date and a wall-clock time.
std::int64_t minutesSince1601(CivilDate date, int hour = 0, int minute = 0);
// A FILETIME holding minutes since 1601 (UTC, or a local wall clock read as UTC).
mapi::FileTime fileTimeOfMinutes(std::int64_t minutes);
std::int64_t minutesOfFileTime(mapi::FileTime t);

}  // namespace tolvane::calendar
