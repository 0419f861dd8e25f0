#pragma once

// A time zone as Outlook stores it: one rule per year range, each a standard bias and, where
// the zone keeps daylight time, the two yearly changes as "n-th weekday of a month at a wall
// clock time" (MS-OXOCAL 2.2.1.41.1 TZRULE). The rules are read off libical's zone (a
// VTIMEZONE of the file or one of libical's built-in zones) by finding each year's changes,
// so whatever the VTIMEZONE says, the rules give the offsets libical gives.

#include <libical/ical.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tolvane::calendar {

// SYSTEMTIME in its relative form: the week-th (5 = last) weekday of a month.
struct ZoneChange {
    int month = 0;
    int dayOfWeek = 0;  // 0 = Sunday
    int week = 0;       // 1-5
    int hour = 0;
    int minute = 0;
    friend bool operator==(const ZoneChange&, const ZoneChange&) = default;
};

struct ZoneRule {
    int year = 0;                   // first year the rule holds
    std::int32_t bias = 0;          // minutes; UTC = local + bias
    std::int32_t daylightBias = 0;  // added to bias in daylight time; 0 without daylight time
    std::optional<ZoneChange> toStandard;
    std::optional<ZoneChange> toDaylight;

    bool sameRuleAs(const ZoneRule& o) const {
        return bias == o.bias && daylightBias == o.daylightBias && toStandard == o.toStandard &&
               toDaylight == o.toDaylight;
    }
};

struct Zone {
    std::string name;             // the TZID as the file gave it ("UTC" for UTC times)
    std::vector<ZoneRule> rules;  // ascending years, each different from the one before
    const ZoneRule& ruleFor(int year) const;
    // UTC minutes since 1601 of a wall-clock minute, by the rule of its year: how Outlook reads
    // the series' times, also past the years libical's zones cover.
    std::int64_t utcOfWall(std::int64_t wallMinutes) const;
};

// Rules of libical zones by year, kept for the whole import: one file's items share a few
// zones, and finding a year's changes asks libical for hundreds of offsets.
class ZoneRuleCache {
  public:
    // The zone's rules for the years from..to; a null zone is UTC.
    Zone zone(icaltimezone* tz, const std::string& name, int fromYear, int toYear);

  private:
    ZoneRule yearRule(icaltimezone* tz, int year);
    std::map<std::pair<const icaltimezone*, int>, ZoneRule> years_;
};

}  // namespace tolvane::calendar
