#include "calendar/EventTimes.h"

#include <strings.h>

#include "calendar/Ical.h"

namespace tolvane::calendar {
namespace {

constexpr std::int32_t kFree = 0;
constexpr std::int32_t kTentative = 1;
constexpr std::int32_t kBusy = 2;
constexpr std::int32_t kOutOfOffice = 3;

std::optional<std::int32_t> statusNamed(const std::optional<std::string>& s) {
    if (!s) {
        return std::nullopt;
    }
    if (strcasecmp(s->c_str(), "FREE") == 0) {
        return kFree;
    }
    if (strcasecmp(s->c_str(), "TENTATIVE") == 0) {
        return kTentative;
    }
    if (strcasecmp(s->c_str(), "BUSY") == 0) {
        return kBusy;
    }
    if (strcasecmp(s->c_str(), "OOF") == 0) {
        return kOutOfOffice;
    }
    return std::nullopt;
}

bool midnight(const When& w) {
    return w.date || (w.wall.hour == 0 && w.wall.minute == 0 && w.wall.second == 0);
}

}  // namespace

std::optional<EventTimes> eventTimes(icalcomponent* ev, const ZoneSet& zones, Report& report) {
    auto start = whenOf(icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY), zones, report);
    if (!start) {
        report.lose("no DTSTART: the item cannot be placed in a calendar and was not converted");
        return std::nullopt;
    }
    EventTimes t;
    t.start = *start;
    if (auto end =
            whenOf(icalcomponent_get_first_property(ev, ICAL_DTEND_PROPERTY), zones, report)) {
        t.end = *end;
    } else {
        t.end = t.start;
        icalproperty* dur = icalcomponent_get_first_property(ev, ICAL_DURATION_PROPERTY);
        if (dur) {
            t.end.wall = icaltime_add(t.start.wall, icalproperty_get_duration(dur));
        } else if (t.start.date) {
            icaltime_adjust(&t.end.wall, 1, 0, 0, 0);
        }
    }
    if (t.end.utcSeconds() < t.start.utcSeconds()) {
        report.add("DTEND before DTSTART: the end is set to the start");
        t.end = t.start;
    }
    const auto allDayFlag = xText(ev, "X-MICROSOFT-CDO-ALLDAYEVENT");
    t.allDay = t.start.date || (allDayFlag && strcasecmp(allDayFlag->c_str(), "TRUE") == 0 &&
                                midnight(t.start) && midnight(t.end));
    return t;
}

std::int32_t busyStatusOf(icalcomponent* ev) {
    if (auto s = statusNamed(xText(ev, "X-MICROSOFT-CDO-INTENDEDSTATUS"))) {
        return *s;
    }
    if (auto s = statusNamed(xText(ev, "X-MICROSOFT-CDO-BUSYSTATUS"))) {
        return *s;
    }
    if (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_TRANSP_PROPERTY)) {
        if (icalproperty_get_transp(p) == ICAL_TRANSP_TRANSPARENT) {
            return kFree;
        }
    }
    if (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_STATUS_PROPERTY)) {
        if (icalproperty_get_status(p) == ICAL_STATUS_TENTATIVE) {
            return kTentative;
        }
    }
    return kBusy;
}

}  // namespace tolvane::calendar
