#include "calendar/ZoneRules.h"

#include <ctime>

#include "calendar/CivilTime.h"

namespace tolvane::calendar {
namespace {

constexpr std::int64_t kDay = 86400;

struct Offset {
    int seconds = 0;
    bool daylight = false;
    friend bool operator==(const Offset&, const Offset&) = default;
};

Offset offsetAt(icaltimezone* tz, std::int64_t utc) {
    icaltimetype t =
        icaltime_from_timet_with_zone(static_cast<time_t>(utc), 0, icaltimezone_get_utc_timezone());
    int daylight = 0;
    const int seconds = icaltimezone_get_utc_offset_of_utc_time(tz, &t, &daylight);
    return {seconds, daylight != 0};
}

std::int64_t unixOfDate(CivilDate d) {
    return (daysSince1601(d) - daysSince1601({1970, 1, 1})) * kDay;
}

struct Change {
    std::int64_t utc = 0;  // first second of the new offset
    Offset before;
    Offset after;
};

// Each change of offset in the year: a day-by-day walk, then a binary search to the second.
std::vector<Change> changesIn(icaltimezone* tz, int year) {
    std::vector<Change> out;
    const std::int64_t first = unixOfDate({year, 1, 1});
    const std::int64_t last = unixOfDate({year + 1, 1, 1});
    Offset prev = offsetAt(tz, first);
    for (std::int64_t t = first + kDay; t <= last; t += kDay) {
        const Offset now = offsetAt(tz, t);
        if (now == prev) {
            continue;
        }
        std::int64_t lo = t - kDay;  // still the old offset
        std::int64_t hi = t;         // already the new one
        while (hi - lo > 1) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            (offsetAt(tz, mid) == prev ? lo : hi) = mid;
        }
        if (hi < last) {
            out.push_back({hi, prev, now});
        }
        prev = now;
    }
    return out;
}

// The wall clock just before the change, as the rule names it.
ZoneChange changeAsRule(const Change& c) {
    const std::int64_t local = c.utc + c.before.seconds;
    const std::int64_t days = (local >= 0 ? local / kDay : (local - kDay + 1) / kDay);
    const std::int64_t secondOfDay = local - days * kDay;
    const CivilDate date = dateOfDay(days + daysSince1601({1970, 1, 1}));
    ZoneChange r;
    r.month = date.month;
    r.dayOfWeek = weekday(date);
    r.week = date.day + 7 > daysInMonth(date.year, date.month) ? 5 : (date.day - 1) / 7 + 1;
    r.hour = static_cast<int>(secondOfDay / 3600);
    r.minute = static_cast<int>(secondOfDay / 60 % 60);
    return r;
}

}  // namespace

const ZoneRule& Zone::ruleFor(int year) const {
    const ZoneRule* found = &rules.front();
    for (const ZoneRule& r : rules) {
        if (r.year <= year) {
            found = &r;
        }
    }
    return *found;
}

std::int64_t Zone::utcOfWall(std::int64_t wall) const {
    const int year = dateOfDay(wall / kMinutesPerDay).year;
    const ZoneRule& r = ruleFor(year);
    std::int64_t bias = r.bias;
    if (r.toStandard && r.toDaylight) {
        const auto at = [year](const ZoneChange& c) {
            int day = 1;
            while (weekday({year, c.month, day}) != c.dayOfWeek) {
                ++day;
            }
            day += 7 * (c.week - 1);
            while (day > daysInMonth(year, c.month)) {
                day -= 7;
            }
            return minutesSince1601({year, c.month, day}, c.hour, c.minute);
        };
        const std::int64_t toDaylight = at(*r.toDaylight);
        const std::int64_t toStandard = at(*r.toStandard);
        const bool daylight = toDaylight < toStandard ? wall >= toDaylight && wall < toStandard
                                                      : wall >= toDaylight || wall < toStandard;
        bias += daylight ? r.daylightBias : 0;
    }
    return wall + bias;
}

ZoneRule ZoneRuleCache::yearRule(icaltimezone* tz, int year) {
    const auto key = std::make_pair(static_cast<const icaltimezone*>(tz), year);
    if (const auto it = years_.find(key); it != years_.end()) {
        return it->second;
    }
    ZoneRule rule;
    rule.year = year;
    const std::vector<Change> changes = changesIn(tz, year);
    const Change* toDaylight = nullptr;
    const Change* toStandard = nullptr;
    for (const Change& c : changes) {
        (c.after.daylight && !c.before.daylight ? toDaylight : toStandard) = &c;
    }
    if (changes.size() == 2 && toDaylight && toStandard) {
        rule.bias = -toStandard->after.seconds / 60;
        rule.daylightBias = -(toDaylight->after.seconds - toStandard->after.seconds) / 60;
        rule.toStandard = changeAsRule(*toStandard);
        rule.toDaylight = changeAsRule(*toDaylight);
    } else {
        // No daylight time, or a year the zone moved its standard offset: the offset the year
        // ends with holds for all of it.
        rule.bias = -offsetAt(tz, unixOfDate({year + 1, 1, 1}) - 1).seconds / 60;
    }
    years_.emplace(key, rule);
    return rule;
}

Zone ZoneRuleCache::zone(icaltimezone* tz, const std::string& name, int fromYear, int toYear) {
    Zone z;
    z.name = name;
    if (!tz || tz == icaltimezone_get_utc_timezone()) {
        z.rules.push_back(ZoneRule{fromYear, 0, 0, std::nullopt, std::nullopt});
        return z;
    }
    for (int year = fromYear; year <= toYear; ++year) {
        ZoneRule r = yearRule(tz, year);
        if (z.rules.empty() || !z.rules.back().sameRuleAs(r)) {
            z.rules.push_back(r);
        }
    }
    return z;
}

}  // namespace tolvane::calendar
