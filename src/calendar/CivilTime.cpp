#include "calendar/CivilTime.h"

namespace tolvane::calendar {
namespace {

constexpr std::int64_t kTicksPerMinute = 600'000'000;

// Days from 1970-01-01 of a civil date (H. Hinnant's algorithm). Constant-evaluated, so the
// constants of other files computed from it at start-up never see k1601 still zero.
constexpr std::int64_t daysFromEpoch(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr std::int64_t k1601 = daysFromEpoch(1601, 1, 1);

}  // namespace

std::int64_t daysSince1601(CivilDate date) {
    return daysFromEpoch(date.year, static_cast<unsigned>(date.month),
                         static_cast<unsigned>(date.day)) -
           k1601;
}

CivilDate dateOfDay(std::int64_t days) {
    const std::int64_t z = days + k1601 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

int weekday(CivilDate date) {
    // 1 January 1601 was a Monday.
    return static_cast<int>((daysSince1601(date) % 7 + 8) % 7);
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::int64_t minutesSince1601(CivilDate date, int hour, int minute) {
    return daysSince1601(date) * kMinutesPerDay + hour * 60 + minute;
}

mapi::FileTime fileTimeOfMinutes(std::int64_t minutes) {
    return mapi::FileTime{minutes * kTicksPerMinute};
}

std::int64_t minutesOfFileTime(mapi::FileTime t) {
    return t.ticks / kTicksPerMinute;
}

}  // namespace tolvane::calendar
