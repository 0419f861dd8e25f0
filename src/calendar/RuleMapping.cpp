#include "calendar/RuleMapping.h"

#include <vector>

#include "calendar/Ical.h"

namespace tolvane::calendar {
namespace {

constexpr const char* kDayNames[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::vector<short> values(const short* array, int size) {
    std::vector<short> out;
    for (int i = 0; i < size && array[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        out.push_back(array[i]);
    }
    return out;
}

std::string list(const std::vector<short>& v) {
    std::string out;
    for (const short x : v) {
        out += (out.empty() ? "" : ",") + std::to_string(x);
    }
    return out;
}

struct Day {
    int weekday;  // 0 = Sunday
    int ordinal;  // 0 = every
};

std::vector<Day> days(const icalrecurrencetype& r) {
    std::vector<Day> out;
    for (const short d : values(r.by_day, ICAL_BY_DAY_SIZE)) {
        out.push_back({static_cast<int>(icalrecurrencetype_day_day_of_week(d)) - 1,
                       icalrecurrencetype_day_position(d)});
    }
    return out;
}

std::uint32_t maskOf(const std::vector<Day>& ds) {
    std::uint32_t mask = 0;
    for (const Day& d : ds) {
        mask |= kSunday << d.weekday;
    }
    return mask;
}

std::string dayList(std::uint32_t mask) {
    std::string out;
    for (int d = 0; d < 7; ++d) {
        if (mask & (kSunday << d)) {
            out += (out.empty() ? "" : ",") + std::string(kDayNames[d]);
        }
    }
    return out;
}

class Mapper {
  public:
    Mapper(const icalrecurrencetype& r, CivilDate start) : r_(r), start_(start) {}

    RuleMapping run() {
        const int interval = r_.interval > 0 ? r_.interval : 1;
        RecurrencePattern p;
        p.firstDayOfWeek =
            r_.week_start >= ICAL_SUNDAY_WEEKDAY && r_.week_start <= ICAL_SATURDAY_WEEKDAY
                ? static_cast<std::uint32_t>(r_.week_start - ICAL_SUNDAY_WEEKDAY)
                : 1;
        dropTimeParts();
        dropUnused("BYYEARDAY", values(r_.by_year_day, ICAL_BY_YEARDAY_SIZE));
        dropUnused("BYWEEKNO", values(r_.by_week_no, ICAL_BY_WEEKNO_SIZE));
        switch (r_.freq) {
            case ICAL_DAILY_RECURRENCE:
                daily(p, interval);
                break;
            case ICAL_WEEKLY_RECURRENCE:
                weekly(p, interval);
                break;
            case ICAL_MONTHLY_RECURRENCE:
                p.frequency = RecurFrequency::Monthly;
                p.period = static_cast<std::uint32_t>(interval);
                dropUnused("BYMONTH", values(r_.by_month, ICAL_BY_MONTH_SIZE));
                inMonth(p, "FREQ=MONTHLY;INTERVAL=" + std::to_string(interval));
                break;
            case ICAL_YEARLY_RECURRENCE:
                yearly(p, interval);
                break;
            default:
                out_.lost.push_back(std::string("FREQ=") + icalrecur_freq_to_string(r_.freq) +
                                    " (Outlook repeats daily at the most)");
                return std::move(out_);
        }
        out_.pattern = p;
        return std::move(out_);
    }

  private:
    void dropTimeParts() {
        // The start's own hour and minute are what every occurrence has anyway.
        const auto hours = values(r_.by_hour, ICAL_BY_HOUR_SIZE);
        const auto minutes = values(r_.by_minute, ICAL_BY_MINUTE_SIZE);
        const auto seconds = values(r_.by_second, ICAL_BY_SECOND_SIZE);
        if (hours.size() > 1) {
            out_.lost.push_back("BYHOUR=" + list(hours));
        }
        if (minutes.size() > 1) {
            out_.lost.push_back("BYMINUTE=" + list(minutes));
        }
        if (seconds.size() > 1) {
            out_.lost.push_back("BYSECOND=" + list(seconds));
        }
    }

    void dropUnused(const char* name, const std::vector<short>& v) {
        if (!v.empty()) {
            out_.lost.push_back(std::string(name) + "=" + list(v));
        }
    }

    void daily(RecurrencePattern& p, int interval) {
        dropUnused("BYMONTH", values(r_.by_month, ICAL_BY_MONTH_SIZE));
        dropUnused("BYMONTHDAY", values(r_.by_month_day, ICAL_BY_MONTHDAY_SIZE));
        dropUnused("BYSETPOS", values(r_.by_set_pos, ICAL_BY_SETPOS_SIZE));
        const auto ds = days(r_);
        if (!ds.empty() && interval == 1 && !hasOrdinal(ds)) {
            // Every weekday and the like: Outlook says it as a weekly pattern.
            p.frequency = RecurFrequency::Weekly;
            p.type = PatternType::Week;
            p.period = 1;
            p.dayMask = maskOf(ds);
            out_.storedRule = "FREQ=WEEKLY;BYDAY=" + dayList(p.dayMask) + wkst(p);
            return;
        }
        if (!ds.empty()) {
            out_.lost.push_back("BYDAY=" + byDayText(ds));
        }
        p.frequency = RecurFrequency::Daily;
        p.type = PatternType::Day;
        p.period = static_cast<std::uint32_t>(interval) * kMinutesPerDay;
        out_.storedRule = "FREQ=DAILY;INTERVAL=" + std::to_string(interval);
    }

    void weekly(RecurrencePattern& p, int interval) {
        dropUnused("BYMONTH", values(r_.by_month, ICAL_BY_MONTH_SIZE));
        dropUnused("BYMONTHDAY", values(r_.by_month_day, ICAL_BY_MONTHDAY_SIZE));
        dropUnused("BYSETPOS", values(r_.by_set_pos, ICAL_BY_SETPOS_SIZE));
        const auto ds = days(r_);
        if (hasOrdinal(ds)) {
            out_.lost.push_back("BYDAY=" + byDayText(ds) + " (ordinals in a weekly rule)");
        }
        p.frequency = RecurFrequency::Weekly;
        p.type = PatternType::Week;
        p.period = static_cast<std::uint32_t>(interval);
        p.dayMask = ds.empty() ? kSunday << weekday(start_) : maskOf(ds);
        out_.storedRule = "FREQ=WEEKLY;INTERVAL=" + std::to_string(interval) +
                          ";BYDAY=" + dayList(p.dayMask) + wkst(p);
    }

    void yearly(RecurrencePattern& p, int interval) {
        p.frequency = RecurFrequency::Yearly;
        p.period = static_cast<std::uint32_t>(interval) * 12;
        const auto months = values(r_.by_month, ICAL_BY_MONTH_SIZE);
        int month = start_.month;
        if (!months.empty()) {
            month = months.front();
            if (months.size() > 1) {
                out_.lost.push_back("BYMONTH=" + list(months) + " (Outlook keeps one month)");
            }
        }
        if (month != start_.month) {
            out_.lost.push_back("BYMONTH=" + std::to_string(month) +
                                " (not the month of the first occurrence)");
        }
        inMonth(p, "FREQ=YEARLY;INTERVAL=" + std::to_string(interval) +
                       ";BYMONTH=" + std::to_string(start_.month));
    }

    // The day within the month, for monthly and yearly rules.
    void inMonth(RecurrencePattern& p, const std::string& head) {
        const auto monthDays = values(r_.by_month_day, ICAL_BY_MONTHDAY_SIZE);
        const auto setPos = values(r_.by_set_pos, ICAL_BY_SETPOS_SIZE);
        const auto ds = days(r_);
        if (!ds.empty()) {
            if (!monthDays.empty()) {
                out_.lost.push_back("BYMONTHDAY=" + list(monthDays) + " (with BYDAY)");
            }
            nthDay(p, head, ds, setPos);
            return;
        }
        if (!setPos.empty()) {
            out_.lost.push_back("BYSETPOS=" + list(setPos) + " (without BYDAY)");
        }
        int day = start_.day;
        if (!monthDays.empty()) {
            day = monthDays.front();
            if (monthDays.size() > 1) {
                out_.lost.push_back("BYMONTHDAY=" + list(monthDays) + " (Outlook keeps one day)");
            }
        }
        p.type = PatternType::Month;
        if (day == -1) {
            // The last day: Outlook's day 31 falls on the last day of shorter months.
            p.dayOfMonth = 31;
            out_.storedRule = head + ";BYMONTHDAY=-1";
            return;
        }
        if (day < 1) {
            out_.lost.push_back("BYMONTHDAY=" + std::to_string(day) + " (counted from the end)");
            day = start_.day;
        }
        p.dayOfMonth = static_cast<std::uint32_t>(day);
        const bool yearlyFeb29 =
            p.frequency == RecurFrequency::Yearly && start_.month == 2 && day == 29;
        if (day > 28 && (p.frequency == RecurFrequency::Monthly || yearlyFeb29)) {
            // iCalendar skips months without the day; Outlook moves it to the month's last day.
            out_.lost.push_back("day " + std::to_string(day) +
                                " in months without it (Outlook takes their last day)");
            out_.storedRule = head + ";BYMONTHDAY=" + std::to_string(day) + ",-1;BYSETPOS=1";
            return;
        }
        out_.storedRule = head + ";BYMONTHDAY=" + std::to_string(day);
    }

    void nthDay(RecurrencePattern& p, const std::string& head, const std::vector<Day>& ds,
                const std::vector<short>& setPos) {
        p.type = PatternType::MonthNth;
        int nth = 0;
        if (ds.size() == 1 && ds.front().ordinal != 0 && setPos.empty()) {
            nth = ds.front().ordinal;
        } else if (!hasOrdinal(ds) && setPos.size() == 1) {
            nth = setPos.front();
        } else {
            out_.lost.push_back("BYDAY=" + byDayText(ds) +
                                (setPos.empty() ? "" : ";BYSETPOS=" + list(setPos)) +
                                " (Outlook keeps one n-th day of the month)");
            nth = ds.front().ordinal != 0 ? ds.front().ordinal
                                          : (setPos.empty() ? 1 : setPos.front());
        }
        if (nth == -1 || nth > 4) {
            if (nth > 4) {
                out_.lost.push_back("the " + std::to_string(nth) +
                                    "th day (Outlook's fifth is the last)");
            }
            nth = 5;
        } else if (nth < -1 || nth == 0) {
            out_.lost.push_back("the day " + std::to_string(nth) + " counted from the end");
            nth = 1;
        }
        p.dayMask = maskOf(ds);
        p.nth = static_cast<std::uint32_t>(nth);
        out_.storedRule = head + ";BYDAY=" + dayList(p.dayMask) +
                          ";BYSETPOS=" + std::to_string(nth == 5 ? -1 : nth);
    }

    static bool hasOrdinal(const std::vector<Day>& ds) {
        for (const Day& d : ds) {
            if (d.ordinal != 0) {
                return true;
            }
        }
        return false;
    }

    static std::string byDayText(const std::vector<Day>& ds) {
        std::string out;
        for (const Day& d : ds) {
            out += (out.empty() ? "" : ",") + (d.ordinal ? std::to_string(d.ordinal) : "") +
                   kDayNames[d.weekday];
        }
        return out;
    }

    static std::string wkst(const RecurrencePattern& p) {
        return std::string(";WKST=") + kDayNames[p.firstDayOfWeek % 7];
    }

    const icalrecurrencetype& r_;
    CivilDate start_;
    RuleMapping out_;
};

}  // namespace

RuleMapping mapRule(const icalrecurrencetype& rule, CivilDate start) {
    return Mapper(rule, start).run();
}

void setRange(RecurrencePattern& p, const icalrecurrencetype& rule,
              const std::vector<std::int64_t>& occurrences) {
    // Outlook's count for a series without end (MS-OXOCAL 2.2.1.44.1 OccurrenceCount).
    constexpr std::uint32_t kNoEndCount = 10;
    const auto midnight = [](std::int64_t minutes) {
        return static_cast<std::uint32_t>(minutes - minutes % kMinutesPerDay);
    };
    p.startDate = midnight(occurrences.front());
    if (rule.count > 0) {
        p.end = EndType::AfterCount;
        p.occurrenceCount = static_cast<std::uint32_t>(rule.count);
        p.endDate = midnight(occurrences.back());
    } else if (!icaltime_is_null_time(rule.until)) {
        p.end = EndType::AfterDate;
        p.occurrenceCount = static_cast<std::uint32_t>(occurrences.size());
        p.endDate = midnight(occurrences.back());
    } else {
        p.end = EndType::Never;
        p.occurrenceCount = kNoEndCount;
        p.endDate = kNoEndDate;
    }
}

std::vector<std::int64_t> occurrencesOf(const std::string& storedRule,
                                        const icalrecurrencetype& rule, icaltimetype start,
                                        icaltimezone* zone, std::int64_t horizon,
                                        std::size_t maxCount) {
    std::vector<std::int64_t> out;
    icalrecurrencetype stored = icalrecurrencetype_from_string(storedRule.c_str());
    stored.count = rule.count;
    stored.until = rule.until;
    icaltimezone* utc = icaltimezone_get_utc_timezone();
    start.zone = start.is_date ? nullptr : (zone ? zone : utc);
    if (!icaltime_is_null_time(stored.until) && !stored.until.is_date && start.is_date) {
        // An all-day series ends on the day its UNTIL falls on, on the series' own clock.
        stored.until = icaltime_convert_to_zone(stored.until, zone ? zone : utc);
        stored.until.is_date = 1;
        stored.until.zone = nullptr;
    }
    RecurIteratorPtr it(icalrecur_iterator_new(stored, start));
    if (!it) {
        return out;
    }
    const bool bounded = stored.count > 0 || !icaltime_is_null_time(stored.until);
    for (icaltimetype t = icalrecur_iterator_next(it.get()); !icaltime_is_null_time(t);
         t = icalrecur_iterator_next(it.get())) {
        const std::int64_t wall = minutesSince1601({t.year, t.month, t.day}, t.is_date ? 0 : t.hour,
                                                   t.is_date ? 0 : t.minute);
        out.push_back(wall);
        if ((!bounded && wall > horizon) || out.size() >= maxCount) {
            break;
        }
    }
    return out;
}

}  // namespace tolvane::calendar
