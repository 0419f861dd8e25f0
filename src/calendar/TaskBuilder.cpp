#include "calendar/TaskBuilder.h"

#include <algorithm>

#include "calendar/CivilTime.h"
#include "calendar/Ical.h"
#include "calendar/ItemFields.h"
#include "calendar/PatternText.h"
#include "calendar/RuleMapping.h"
#include "mapi/Tags.h"

namespace tolvane::calendar {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace named = mapi::named;

// PidLidTaskStatus (MS-OXOTASK 2.2.2.2.2).
constexpr std::int32_t kNotStarted = 0;
constexpr std::int32_t kInProgress = 1;
constexpr std::int32_t kComplete = 2;
constexpr std::int32_t kDeferred = 4;
constexpr std::int32_t kIconTask = 0x500;
constexpr std::int32_t kIconRecurringTask = 0x501;
constexpr std::int32_t kTaskStateNotAssigned = 1;  // tdsNOM
constexpr std::size_t kMaxExpanded = 100000;

// Task dates are days: midnight of the day on the task's wall clock, stored as UTC
// (MS-OXOTASK 2.2.2.2.3, 2.2.2.2.5); the common start and end hold the real moments.
mapi::FileTime dayOf(const When& w) {
    return fileTimeOfMinutes(minutesSince1601({w.wall.year, w.wall.month, w.wall.day}));
}

class TaskMaker {
  public:
    TaskMaker(icalcomponent* todo, const ZoneSet& zones, Report& report)
        : todo_(todo), zones_(zones), report_(report) {}

    mapi::Message run() {
        mapi::Message m;
        setCommonFields(todo_, m);
        m.props.set(tag::kMessageClass, PropValue::unicode("IPM.Task"));
        m.props.set(tag::kIconIndex, PropValue::int32(kIconTask));
        const auto start =
            whenOf(icalcomponent_get_first_property(todo_, ICAL_DTSTART_PROPERTY), zones_, report_);
        auto due =
            whenOf(icalcomponent_get_first_property(todo_, ICAL_DUE_PROPERTY), zones_, report_);
        if (!due && start) {
            if (icalproperty* d = icalcomponent_get_first_property(todo_, ICAL_DURATION_PROPERTY)) {
                due = start;
                due->wall = icaltime_add(start->wall, icalproperty_get_duration(d));
            }
        }
        if (start) {
            m.props.setNamed(named::kTaskStartDate, PropValue::time(dayOf(*start)));
            m.props.setNamed(named::kCommonStart, PropValue::time(start->utc()));
        }
        if (due) {
            m.props.setNamed(named::kTaskDueDate, PropValue::time(dayOf(*due)));
            m.props.setNamed(named::kCommonEnd, PropValue::time(due->utc()));
        }
        status(m);
        reminder(m, start, due);
        m.props.setNamed(named::kTaskMode, PropValue::int32(0));
        m.props.setNamed(named::kTaskState, PropValue::int32(kTaskStateNotAssigned));
        m.props.setNamed(named::kTaskOwnership, PropValue::int32(0));
        m.props.setNamed(named::kTaskAcceptanceState, PropValue::int32(0));
        recurrence(m, start ? start : due);
        return m;
    }

  private:
    void status(mapi::Message& m) {
        int percent = -1;
        if (icalproperty* p =
                icalcomponent_get_first_property(todo_, ICAL_PERCENTCOMPLETE_PROPERTY)) {
            percent = std::clamp(icalproperty_get_percentcomplete(p), 0, 100);
        }
        std::int32_t s = percent >= 100 ? kComplete : percent > 0 ? kInProgress : kNotStarted;
        if (icalproperty* p = icalcomponent_get_first_property(todo_, ICAL_STATUS_PROPERTY)) {
            switch (icalproperty_get_status(p)) {
                case ICAL_STATUS_COMPLETED:
                    s = kComplete;
                    break;
                case ICAL_STATUS_INPROCESS:
                    s = kInProgress;
                    break;
                case ICAL_STATUS_NEEDSACTION:
                    s = percent > 0 && percent < 100 ? kInProgress : kNotStarted;
                    break;
                case ICAL_STATUS_CANCELLED:
                    s = kDeferred;
                    appendToNotes(m, "Status as exported: CANCELLED.");
                    report_.add(
                        "STATUS:CANCELLED has no task status in Outlook: stored as deferred, noted "
                        "in the notes");
                    break;
                default:
                    break;
            }
        }
        if (s == kComplete) {
            percent = 100;
        }
        m.props.setNamed(named::kTaskStatus, PropValue::int32(s));
        m.props.setNamed(named::kPercentComplete,
                         PropValue::floating64(percent < 0 ? 0.0 : percent / 100.0));
        m.props.setNamed(named::kTaskComplete, PropValue::boolean(s == kComplete));
        if (icalproperty* p = icalcomponent_get_first_property(todo_, ICAL_COMPLETED_PROPERTY)) {
            const icaltimetype t = icalproperty_get_completed(p);
            if (!icaltime_is_null_time(t) && icaltime_is_valid_time(t)) {
                m.props.setNamed(
                    named::kTaskDateCompleted,
                    PropValue::time(mapi::FileTime::fromUnixSeconds(
                        icaltime_as_timet_with_zone(t, icaltimezone_get_utc_timezone()))));
            }
        }
    }

    void reminder(mapi::Message& m, const std::optional<When>& start,
                  const std::optional<When>& due) {
        const std::optional<When>& anchor = start ? start : due;
        const std::int64_t from = anchor ? anchor->utcSeconds() : 0;
        const std::int64_t to = due ? due->utcSeconds() : from;
        const auto r = reminderOf(todo_, from, to, report_);
        m.props.setNamed(named::kReminderSet, PropValue::boolean(r && (anchor || r->at)));
        if (!r || (!anchor && !r->at)) {
            return;
        }
        const mapi::FileTime at =
            r->at ? *r->at
                  : mapi::FileTime::fromUnixSeconds(from - std::int64_t{r->minutesBefore} * 60);
        m.props.setNamed(named::kReminderTime, PropValue::time(at));
        m.props.setNamed(named::kReminderSignalTime, PropValue::time(at));
    }

    void recurrence(mapi::Message& m, const std::optional<When>& anchor) {
        icalproperty* rrule = icalcomponent_get_first_property(todo_, ICAL_RRULE_PROPERTY);
        m.props.setNamed(named::kTaskFRecurring, PropValue::boolean(false));
        if (!rrule) {
            return;
        }
        const std::string text = propertyLine(rrule);
        if (!anchor) {
            report_.add(
                "an RRULE on a task without DTSTART or DUE has no first day: kept in the notes "
                "only");
            appendToNotes(m, "Recurrence as exported: " + text);
            return;
        }
        const icalrecurrencetype rule = icalproperty_get_rrule(rrule);
        const RuleMapping mapping =
            mapRule(rule, {anchor->wall.year, anchor->wall.month, anchor->wall.day});
        if (!mapping.lost.empty() || !mapping.pattern) {
            std::string lost;
            for (const auto& l : mapping.lost) {
                lost += (lost.empty() ? "" : "; ") + l;
            }
            report_.add("RRULE of a task: Outlook cannot express " + lost +
                        (mapping.pattern ? "; stored as " + mapping.storedRule
                                         : "; not stored as a recurrence") +
                        " and the rule is kept in the notes");
            appendToNotes(m, "Recurrence as exported: " + text);
        }
        if (!mapping.pattern) {
            return;
        }
        const auto dates = occurrencesOf(mapping.storedRule, rule, anchor->wall, anchor->zone,
                                         wallMinutes(anchor->wall), kMaxExpanded);
        if (dates.empty()) {
            return;
        }
        RecurrencePattern p = *mapping.pattern;
        setRange(p, rule, dates);
        m.props.setNamed(named::kTaskRecurrence, PropValue::binary(recurrencePatternBlob(p)));
        m.props.setNamed(named::kTaskFRecurring, PropValue::boolean(true));
        m.props.setNamed(named::kRecurrencePattern, PropValue::unicode("Occurs " + patternText(p)));
        m.props.set(tag::kIconIndex, PropValue::int32(kIconRecurringTask));
    }

    icalcomponent* todo_;
    const ZoneSet& zones_;
    Report& report_;
};

}  // namespace

std::optional<mapi::Message> buildTask(icalcomponent* todo, const ZoneSet& zones, Report& report) {
    return TaskMaker(todo, zones, report).run();
}

}  // namespace tolvane::calendar
