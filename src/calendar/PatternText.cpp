#include "calendar/PatternText.h"

#include <cstdio>

#include "calendar/CivilTime.h"

namespace tolvane::calendar {
namespace {

constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
constexpr const char* kNth[] = {"", "first", "second", "third", "fourth", "last"};

std::string dateText(std::uint32_t minutes) {
    const CivilDate d = dateOfDay(minutes / kMinutesPerDay);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string clock(std::uint32_t minutes) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02u:%02u", minutes / 60 % 24, minutes % 60);
    return buf;
}

std::string days(std::uint32_t mask) {
    std::vector<std::string> names;
    for (int d = 0; d < 7; ++d) {
        if (mask & (kSunday << d)) {
            names.emplace_back(kDays[d]);
        }
    }
    if (mask == kWeekdays) {
        return "weekday";
    }
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return out;
}

std::string every(std::uint32_t n, const char* unit) {
    return n == 1 ? std::string("every ") + unit : "every " + std::to_string(n) + " " + unit + "s";
}

}  // namespace

std::string patternText(const RecurrencePattern& p) {
    std::string s;
    switch (p.type) {
        case PatternType::Day:
            s = every(p.period / kMinutesPerDay, "day");
            break;
        case PatternType::Week:
            s = p.period == 1 && p.dayMask == kWeekdays
                    ? "every weekday"
                    : every(p.period, "week") + " on " + days(p.dayMask);
            break;
        case PatternType::Month:
        case PatternType::MonthEnd:
        case PatternType::MonthNth: {
            const std::string which =
                p.type == PatternType::MonthNth
                    ? std::string("the ") + kNth[p.nth] + " " + days(p.dayMask)
                    : "day " + std::to_string(p.dayOfMonth);
            if (p.frequency == RecurFrequency::Yearly) {
                const CivilDate d = dateOfDay(p.startDate / kMinutesPerDay);
                s = every(p.period / 12, "year") + " on " + which + " of " + kMonths[d.month - 1];
            } else {
                s = which + " of " + every(p.period, "month");
            }
            break;
        }
    }
    s += " effective " + dateText(p.startDate);
    if (p.end != EndType::Never) {
        s += " until " + dateText(p.endDate);
    }
    return s;
}

std::string patternText(const AppointmentRecurrence& r, bool allDay) {
    std::string s = "Occurs " + patternText(r.pattern);
    if (!allDay) {
        s += " from " + clock(r.startOffset) + " to " + clock(r.endOffset);
    }
    return s;
}

}  // namespace tolvane::calendar
