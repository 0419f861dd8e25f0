#include "calendar/Times.h"

#include "calendar/CivilTime.h"
#include "calendar/Ical.h"
#include "calendar/ZoneFiles.h"

namespace tolvane::calendar {

ZoneSet::ZoneSet(const std::string& localZone, const std::string& localDefinition) {
    useShippedZoneFiles();
    if (!localDefinition.empty()) {
        // Made by this program, not read from a file: nothing to tell the user about it.
        Report unused("local zone");
        add(localDefinition, unused);
    }
    if (!localZone.empty()) {
        local_ = find(localZone);
    }
    // libical's UTC has no location: it stands for itself, as null does here.
    if (local_ == icaltimezone_get_utc_timezone()) {
        local_ = nullptr;
    }
}

ZoneSet::~ZoneSet() {
    for (auto& [id, zone] : zones_) {
        icaltimezone_free(zone, 1);
    }
}

std::string ZoneSet::localName() const {
    if (!local_) {
        return "UTC";
    }
    // libical's own zones have a location; one made from a VTIMEZONE has its TZID. Each is
    // copied at once: asking libical for the other may load the zone and free the first.
    if (const char* location = icaltimezone_get_location(local_)) {
        return location;
    }
    const char* tzid = icaltimezone_get_tzid(local_);
    return tzid ? tzid : "UTC";
}

void ZoneSet::add(std::string_view text, Report& report) {
    const std::string copy(text);
    icalcomponent* c = icalparser_parse_string(copy.c_str());
    if (!c || icalcomponent_isa(c) != ICAL_VTIMEZONE_COMPONENT) {
        report.add("a VTIMEZONE that cannot be read was skipped");
        if (c) {
            icalcomponent_free(c);
        }
        return;
    }
    const auto tzid = textOf(c, ICAL_TZID_PROPERTY);
    if (!tzid || zones_.contains(*tzid)) {
        icalcomponent_free(c);
        return;
    }
    icaltimezone* zone = icaltimezone_new();
    if (!icaltimezone_set_component(zone, c)) {
        report.add("the VTIMEZONE " + *tzid + " cannot be read; skipped");
        icaltimezone_free(zone, 1);
        icalcomponent_free(c);
        return;
    }
    zones_.emplace(*tzid, zone);
}

icaltimezone* ZoneSet::find(const std::string& tzid) const {
    if (const auto it = zones_.find(tzid); it != zones_.end()) {
        return it->second;
    }
    if (icaltimezone* z = icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str())) {
        return z;
    }
    return icaltimezone_get_builtin_timezone(tzid.c_str());
}

std::int64_t wallMinutes(const icaltimetype& t) {
    return minutesSince1601({t.year, t.month, t.day}, t.is_date ? 0 : t.hour,
                            t.is_date ? 0 : t.minute);
}

std::int64_t When::utcSeconds() const {
    icaltimetype t = wall;
    t.is_date = 0;
    if (wall.is_date) {
        t.hour = t.minute = t.second = 0;
    }
    return static_cast<std::int64_t>(
        icaltime_as_timet_with_zone(t, zone ? zone : icaltimezone_get_utc_timezone()));
}

std::int64_t When::wallMinutesIn(icaltimezone* in) const {
    if (in == zone) {
        return wallMinutes(wall);
    }
    const icaltimetype t = icaltime_from_timet_with_zone(static_cast<time_t>(utcSeconds()), 0,
                                                         in ? in : icaltimezone_get_utc_timezone());
    return wallMinutes(t);
}

When inZone(const When& w, icaltimezone* zone, const std::string& name) {
    When out;
    out.zone = zone;
    out.zoneName = name;
    out.date = w.date;
    if (w.date) {
        out.wall = w.wall;
        return out;
    }
    out.wall = icaltime_from_timet_with_zone(static_cast<time_t>(w.utcSeconds()), 0,
                                             zone ? zone : icaltimezone_get_utc_timezone());
    out.wall.zone = nullptr;
    return out;
}

std::optional<When> whenOf(icalproperty* p, const ZoneSet& zones, Report& report) {
    if (!p) {
        return std::nullopt;
    }
    icalvalue* v = icalproperty_get_value(p);
    if (!v) {
        return std::nullopt;
    }
    icaltimetype t{};
    switch (icalvalue_isa(v)) {
        case ICAL_DATE_VALUE:
        case ICAL_DATETIME_VALUE:
            t = icalvalue_get_datetime(v);
            break;
        case ICAL_DATETIMEPERIOD_VALUE:
            t = icalvalue_get_datetimeperiod(v).time;
            break;
        default:
            return std::nullopt;
    }
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) {
        return std::nullopt;
    }
    When w;
    w.date = t.is_date != 0;
    w.wall = t;
    w.wall.zone = nullptr;
    if (icaltime_is_utc(t)) {
        w.zoneName = "UTC";
        return w;
    }
    if (icalparameter* param = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER)) {
        const char* tzid = icalparameter_get_tzid(param);
        w.zoneName = tzid ? tzid : "";
        w.zone = zones.find(w.zoneName);
        if (!w.zone) {
            report.add(std::string("unknown time zone \"") + w.zoneName + "\" in " +
                       icalproperty_kind_to_string(icalproperty_isa(p)) + "; taken as UTC");
            w.zoneName = "UTC";
        }
        return w;
    }
    w.zone = zones.local();
    w.zoneName = zones.localName();
    return w;
}

}  // namespace tolvane::calendar
