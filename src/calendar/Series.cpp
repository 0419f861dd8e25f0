#include "calendar/Series.h"

#include <algorithm>
#include <map>
#include <set>

#include "calendar/CivilTime.h"
#include "calendar/Ical.h"
#include "calendar/ItemFields.h"
#include "calendar/RuleMapping.h"

namespace tolvane::calendar {
namespace {

// Beyond this many occurrences a bounded series is not expanded further.
constexpr std::size_t kMaxExpanded = 100000;
constexpr int kYearsOfRules = 10;

std::int64_t dayOf(std::int64_t minutes) {
    return minutes - ((minutes % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay;
}

CivilDate dateOfMinutes(std::int64_t minutes) {
    return dateOfDay(dayOf(minutes) / kMinutesPerDay);
}

class SeriesBuilder {
  public:
    SeriesBuilder(icalcomponent* master, const EventTimes& times, const MasterFields& fields,
                  const ZoneSet& zones, Report& report)
        : master_(master), times_(times), fields_(fields), zones_(zones), report_(report) {}

    std::optional<Series> run(const std::vector<icalcomponent*>& overrides,
                              std::vector<icalcomponent*>& strays,
                              std::vector<std::string>& notes) {
        icalproperty* rrule = icalcomponent_get_first_property(master_, ICAL_RRULE_PROPERTY);
        if (!rrule) {
            strays.insert(strays.end(), overrides.begin(), overrides.end());
            return std::nullopt;
        }
        const icalrecurrencetype rule = icalproperty_get_rrule(rrule);
        const CivilDate startDate{times_.start.wall.year, times_.start.wall.month,
                                  times_.start.wall.day};
        RuleMapping mapping = mapRule(rule, startDate);
        keepUnsaid(rrule, mapping, notes);
        if (!mapping.pattern) {
            strays.insert(strays.end(), overrides.begin(), overrides.end());
            return std::nullopt;
        }
        Series s;
        s.recurrence.pattern = *mapping.pattern;
        RecurrencePattern& p = s.recurrence.pattern;
        std::int64_t horizon = wallOf(times_.start);
        for (icalcomponent* o : overrides) {
            if (auto rid = whenOf(icalcomponent_get_first_property(o, ICAL_RECURRENCEID_PROPERTY),
                                  zones_, report_)) {
                horizon = std::max(horizon, rid->wallMinutesIn(times_.start.zone));
            }
        }
        for (const When& ex : exdates()) {
            horizon = std::max(horizon, ex.wallMinutesIn(times_.start.zone));
        }
        if (!expand(mapping.storedRule, rule, horizon)) {
            report_.add(std::string("RRULE ") +
                        icalrecurrencetype_as_string(const_cast<icalrecurrencetype*>(&rule)) +
                        " has no occurrence: stored as a single appointment");
            strays.insert(strays.end(), overrides.begin(), overrides.end());
            return std::nullopt;
        }
        if (dayOf(occurrences_.front()) != dayOf(wallOf(times_.start))) {
            report_.add(
                "DTSTART is not one of the RRULE's days; the series starts on its first day");
        }
        setRange(p, rule, occurrences_);
        s.firstStart = occurrences_.front();
        s.lastDate = p.endDate;
        s.lastYear = p.end == EndType::Never ? startDate.year + kYearsOfRules
                                             : dateOfMinutes(p.endDate).year;
        const std::int64_t startWall = wallOf(times_.start);
        s.recurrence.startOffset = static_cast<std::uint32_t>(startWall - dayOf(startWall));
        s.recurrence.endOffset =
            s.recurrence.startOffset + static_cast<std::uint32_t>(times_.durationMinutes());

        std::set<std::uint32_t> deleted;
        std::set<std::uint32_t> modified;
        for (const When& ex : exdates()) {
            const std::int64_t day = dayOf(ex.wallMinutesIn(times_.start.zone));
            if (days_.contains(day)) {
                deleted.insert(static_cast<std::uint32_t>(day));
            }
        }
        std::map<std::int64_t, ChangedOccurrence> byOriginal;
        for (icalcomponent* o : overrides) {
            change(o, deleted, modified, byOriginal, strays);
        }
        for (auto& [original, c] : byOriginal) {
            c.exception = s.recurrence.exceptions.size();
            s.recurrence.exceptions.push_back(exceptionInfo(c));
            s.changed.push_back(c);
        }
        p.deletedDates.assign(deleted.begin(), deleted.end());
        p.modifiedDates.assign(modified.begin(), modified.end());
        return s;
    }

  private:
    std::int64_t wallOf(const When& w) const { return w.wallMinutesIn(times_.start.zone); }

    void keepUnsaid(icalproperty* rrule, const RuleMapping& mapping,
                    std::vector<std::string>& notes) {
        std::vector<std::string> extra;
        if (icalcomponent_get_next_property(master_, ICAL_RRULE_PROPERTY)) {
            extra.push_back("a second RRULE");
        }
        for (icalproperty* p = icalcomponent_get_first_property(master_, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(master_, ICAL_RDATE_PROPERTY)) {
            extra.push_back(propertyLine(p));
        }
        for (icalproperty* p = icalcomponent_get_first_property(master_, ICAL_EXRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(master_, ICAL_EXRULE_PROPERTY)) {
            extra.push_back(propertyLine(p));
        }
        if (mapping.lost.empty() && extra.empty()) {
            return;
        }
        std::string what;
        for (const auto& l : mapping.lost) {
            what += (what.empty() ? "" : "; ") + l;
        }
        for (const auto& e : extra) {
            what += (what.empty() ? "" : "; ") + e;
        }
        std::string text = "Recurrence as exported: " + propertyLine(rrule);
        for (const auto& e : extra) {
            text += "\n" + e;
        }
        notes.push_back(text);
        report_.add(propertyLine(rrule) + ": Outlook cannot express " + what +
                    (mapping.pattern ? "; the series is stored as " + mapping.storedRule
                                     : std::string("; stored as a single appointment")) +
                    " and the rule is kept in the notes");
    }

    std::vector<When> exdates() {
        std::vector<When> out;
        for (icalproperty* p = icalcomponent_get_first_property(master_, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(master_, ICAL_EXDATE_PROPERTY)) {
            if (auto w = whenOf(p, zones_, report_)) {
                if (w->date && !times_.start.date) {
                    w->zone = times_.start.zone;  // a date excludes that day of the series
                }
                out.push_back(*w);
            }
        }
        return out;
    }

    bool expand(const std::string& storedRule, const icalrecurrencetype& rule,
                std::int64_t horizon) {
        occurrences_ = occurrencesOf(storedRule, rule, times_.start.wall, times_.start.zone,
                                     horizon, kMaxExpanded);
        for (const std::int64_t wall : occurrences_) {
            days_.insert(dayOf(wall));
        }
        return !occurrences_.empty();
    }

    void change(icalcomponent* o, std::set<std::uint32_t>& deleted,
                std::set<std::uint32_t>& modified,
                std::map<std::int64_t, ChangedOccurrence>& byOriginal,
                std::vector<icalcomponent*>& strays) {
        icalproperty* ridProp = icalcomponent_get_first_property(o, ICAL_RECURRENCEID_PROPERTY);
        auto rid = whenOf(ridProp, zones_, report_);
        if (!rid) {
            strays.push_back(o);
            return;
        }
        if (icalparameter* range =
                icalproperty_get_first_parameter(ridProp, ICAL_RANGE_PARAMETER)) {
            if (icalparameter_get_range(range) == ICAL_RANGE_THISANDFUTURE) {
                report_.add(
                    "RECURRENCE-ID;RANGE=THISANDFUTURE changes only its own occurrence in Outlook");
            }
        }
        if (rid->date && !times_.start.date) {
            rid->zone = times_.start.zone;
        }
        const std::int64_t original = rid->wallMinutesIn(times_.start.zone);
        if (!days_.contains(dayOf(original))) {
            report_.add("RECURRENCE-ID " + std::string(icaltime_as_ical_string(rid->wall)) +
                        " is no occurrence of the series: stored as an appointment of its own");
            strays.push_back(o);
            return;
        }
        deleted.insert(static_cast<std::uint32_t>(dayOf(original)));
        if (icalproperty* st = icalcomponent_get_first_property(o, ICAL_STATUS_PROPERTY);
            st && icalproperty_get_status(st) == ICAL_STATUS_CANCELLED) {
            return;
        }
        ChangedOccurrence c;
        c.override = o;
        c.originalStart = *rid;
        if (!rid->date) {
            c.originalStart.wall = icaltime_from_timet_with_zone(
                static_cast<time_t>(rid->utcSeconds()), 0,
                times_.start.zone ? times_.start.zone : icaltimezone_get_utc_timezone());
            c.originalStart.wall.zone = nullptr;
            c.originalStart.zone = times_.start.zone;
            c.originalStart.zoneName = times_.start.zoneName;
        }
        if (auto t = eventTimes(o, zones_, report_)) {
            c.times = *t;
        } else {
            c.times = times_;
            c.times.start = c.originalStart;
            c.times.end = c.originalStart;
            c.times.end.wall = icaltime_add(
                c.originalStart.wall,
                icaldurationtype_from_int(static_cast<int>(times_.durationMinutes() * 60)));
        }
        modified.insert(static_cast<std::uint32_t>(dayOf(wallOf(c.times.start))));
        byOriginal[original] = c;
    }

    ExceptionInfo exceptionInfo(const ChangedOccurrence& c) {
        ExceptionInfo e;
        e.start = static_cast<std::uint32_t>(wallOf(c.times.start));
        e.end = static_cast<std::uint32_t>(wallOf(c.times.end));
        e.originalStart = static_cast<std::uint32_t>(wallOf(c.originalStart));
        icalcomponent* o = c.override;
        const std::string subject = textOf(o, ICAL_SUMMARY_PROPERTY).value_or("");
        if (subject != fields_.subject) {
            e.overrides |= kOverrideSubject;
            e.subject = subject;
        }
        const std::string location = textOf(o, ICAL_LOCATION_PROPERTY).value_or("");
        if (location != fields_.location) {
            e.overrides |= kOverrideLocation;
            e.location = location;
        }
        const std::int32_t busy = busyStatusOf(o);
        if (busy != fields_.busyStatus) {
            e.overrides |= kOverrideBusyStatus;
            e.busyStatus = busy;
        }
        const auto reminder =
            reminderOf(o, c.times.start.utcSeconds(), c.times.end.utcSeconds(), report_);
        const std::optional<std::int32_t> minutes =
            reminder ? std::optional<std::int32_t>(reminder->minutesBefore) : std::nullopt;
        if (minutes.has_value() != fields_.reminderMinutes.has_value()) {
            e.overrides |= kOverrideReminder;
            e.reminderSet = minutes.has_value();
        }
        if (minutes && minutes != fields_.reminderMinutes) {
            e.overrides |= kOverrideReminderDelta;
            e.reminderDelta = *minutes;
        }
        if (c.times.allDay != fields_.allDay) {
            e.overrides |= kOverrideSubType;
            e.allDay = c.times.allDay;
        }
        if (textOf(o, ICAL_DESCRIPTION_PROPERTY).value_or("") != fields_.description) {
            e.overrides |= kOverrideExceptionalBody;
        }
        return e;
    }

    icalcomponent* master_;
    const EventTimes& times_;
    const MasterFields& fields_;
    const ZoneSet& zones_;
    Report& report_;
    std::vector<std::int64_t> occurrences_;
    std::set<std::int64_t> days_;
};

}  // namespace

std::optional<Series> buildSeries(icalcomponent* master, const EventTimes& times,
                                  const MasterFields& fields,
                                  const std::vector<icalcomponent*>& overrides,
                                  const ZoneSet& zones, Report& report,
                                  std::vector<icalcomponent*>& strays,
                                  std::vector<std::string>& notes) {
    return SeriesBuilder(master, times, fields, zones, report).run(overrides, strays, notes);
}

}  // namespace tolvane::calendar
