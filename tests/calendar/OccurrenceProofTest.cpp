// For every series of the test files: the occurrences the PST's recurrence blob and exceptions
// give (read back through tolvane-pstcheck's own blob reader and time-zone rules) equal those
// libical expands from the source, over the series' whole span or ten years, whichever is
// shorter. A series the import reported as not expressible is only held to that report.

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <map>
#include <set>

#include "CalendarTestSupport.h"
#include "pstcheck/messaging/RecurrenceBlob.h"

namespace tolvane::calendar::test {
namespace {

namespace named = mapi::named;
using Starts = std::set<std::int64_t>;  // UTC minutes since 1601

constexpr std::int64_t kDay = 1440;
constexpr std::int64_t kTenYears = 3653 * kDay;
constexpr std::int64_t kUnixEpochMinutes = 194074560;  // 1970-01-01 in minutes since 1601

std::int64_t utcMinutes(icaltimetype t, icaltimezone* floatingZone) {
    icaltimezone* zone = icaltime_is_utc(t) ? icaltimezone_get_utc_timezone()
                         : t.zone           ? const_cast<icaltimezone*>(t.zone)
                                            : floatingZone;
    t.zone = nullptr;
    if (t.is_date) {
        t.is_date = 0;
        t.hour = t.minute = t.second = 0;
    }
    return static_cast<std::int64_t>(icaltime_as_timet_with_zone(t, zone)) / 60 + kUnixEpochMinutes;
}

// Every VEVENT gets a UID, so the PST's items can be matched to the source's series.
std::string withUids(const std::string& text) {
    std::string out;
    std::size_t n = 0;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("BEGIN:VEVENT", from)) != std::string::npos;
         from = at + 12) {
        out += text.substr(from, at + 12 - from);
        const std::size_t end = text.find("END:VEVENT", at);
        if (text.substr(at, end - at).find("\nUID") == std::string::npos) {
            out += "\r\nUID:series-" + std::to_string(++n);
        }
    }
    out += text.substr(from);
    if (out.find("BEGIN:VCALENDAR") == std::string::npos) {
        out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + out + "\r\nEND:VCALENDAR\r\n";
    }
    return out;
}

// libical's own expansion: RRULE from DTSTART, EXDATEs out, RECURRENCE-ID overrides applied.
std::map<std::string, Starts> expandSource(const std::string& text, icaltimezone* floatingZone) {
    std::map<std::string, Starts> out;
    icalcomponent* root = icalparser_parse_string(text.c_str());
    std::map<std::string, std::vector<icalcomponent*>> overrides;
    // Of several copies of a UID (iTIP messages in one file), the importer keeps the one of the
    // highest SEQUENCE, the last of equals; so does this.
    std::map<std::string, icalcomponent*> newest;
    std::vector<std::string> order;
    for (icalcomponent* cal = root; cal; cal = nullptr) {
        std::vector<icalcomponent*> calendars;
        if (icalcomponent_isa(cal) == ICAL_XROOT_COMPONENT) {
            for (icalcomponent* c =
                     icalcomponent_get_first_component(cal, ICAL_VCALENDAR_COMPONENT);
                 c; c = icalcomponent_get_next_component(cal, ICAL_VCALENDAR_COMPONENT)) {
                calendars.push_back(c);
            }
        } else {
            calendars.push_back(cal);
        }
        for (icalcomponent* c : calendars) {
            for (icalcomponent* e = icalcomponent_get_first_component(c, ICAL_VEVENT_COMPONENT); e;
                 e = icalcomponent_get_next_component(c, ICAL_VEVENT_COMPONENT)) {
                const char* uid = icalcomponent_get_uid(e);
                if (!uid) {
                    continue;
                }
                if (icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY)) {
                    overrides[uid].push_back(e);
                } else {
                    icalcomponent*& slot = newest[uid];
                    if (!slot) {
                        order.push_back(uid);
                    }
                    if (!slot ||
                        icalcomponent_get_sequence(e) >= icalcomponent_get_sequence(slot)) {
                        slot = e;
                    }
                }
            }
        }
    }
    for (const std::string& uid : order) {
        icalcomponent* e = newest[uid];
        if (!icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY)) {
            continue;
        }
        const icaltimetype start = icalcomponent_get_dtstart(e);
        const icalrecurrencetype rule =
            icalproperty_get_rrule(icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY));
        icalrecur_iterator* it = icalrecur_iterator_new(rule, start);
        Starts starts;
        std::int64_t first = -1;
        for (icaltimetype t = it ? icalrecur_iterator_next(it) : icaltime_null_time();
             !icaltime_is_null_time(t); t = icalrecur_iterator_next(it)) {
            const std::int64_t m = utcMinutes(t, floatingZone);
            first = first < 0 ? m : first;
            if (m > first + kTenYears) {
                break;
            }
            starts.insert(m);
        }
        if (it) {
            icalrecur_iterator_free(it);
        }
        for (icalproperty* x = icalcomponent_get_first_property(e, ICAL_EXDATE_PROPERTY); x;
             x = icalcomponent_get_next_property(e, ICAL_EXDATE_PROPERTY)) {
            icaltimetype ex = icalproperty_get_datetime_with_component(x, e);
            if (ex.is_date && !start.is_date) {
                ex.is_date = 0;
                ex.hour = start.hour;
                ex.minute = start.minute;
                ex.zone = start.zone;
            }
            starts.erase(utcMinutes(ex, floatingZone));
        }
        for (icalcomponent* o : overrides[uid]) {
            const icaltimetype rid = icalproperty_get_datetime_with_component(
                icalcomponent_get_first_property(o, ICAL_RECURRENCEID_PROPERTY), o);
            if (starts.erase(utcMinutes(rid, floatingZone)) == 0) {
                continue;
            }
            if (icalcomponent_get_status(o) != ICAL_STATUS_CANCELLED) {
                starts.insert(utcMinutes(icalcomponent_get_dtstart(o), floatingZone));
            }
        }
        out[uid] = starts;
    }
    icalcomponent_free(root);
    return out;
}

std::string uidOf(const std::vector<std::uint8_t>& goid) {
    const std::string bytes(goid.begin(), goid.end());
    const std::size_t at = bytes.find("vCal-Uid");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t from = at + 12;
    return bytes.substr(from, bytes.find('\0', from) - from);
}

// What the PST says: each recurring item's occurrences through the checker's blob reader.
std::map<std::string, Starts> expandPst(const TempPst& pst) {
    std::map<std::string, Starts> out;
    pstcheck::PstReader reader(pst.path());
    for (const std::uint32_t nid : messageNodes(reader)) {
        const auto pc = reader.properties(nid);
        const StoredItem item(reader, pc);
        const auto recurBlob = item.named(named::kAppointmentRecur);
        const auto tzBlob = item.named(named::kAppointmentTimeZoneDefinitionRecur);
        const auto goid = item.named(named::kCleanGlobalObjectId);
        if (!recurBlob || !tzBlob || !goid) {
            continue;
        }
        const auto recur = pstcheck::parseAppointmentRecurrence(pstcheck::Bytes(*recurBlob));
        const auto tz = pstcheck::parseTzDefinition(pstcheck::Bytes(*tzBlob));
        const std::int64_t until = recur.pattern.startDate + kTenYears + 2 * kDay;
        Starts starts;
        for (const std::int64_t wall : pstcheck::occurrences(recur, 100000, until)) {
            starts.insert(tz.toUtc(wall));
        }
        out[uidOf(*goid)] = starts;
    }
    return out;
}

struct Outcome {
    std::size_t exact = 0;
    std::size_t reported = 0;
};

Outcome proveFile(const std::string& name, const std::string& localZone) {
    SCOPED_TRACE(name + " in " + (localZone.empty() ? "UTC" : localZone));
    const std::string text = withUids(readData(name));
    Imported in;
    CalendarImporter importer(ImportOptions{.localZone = localZone});
    auto result =
        importer.importText(text, name, [&](CalendarItem i) { in.items.push_back(std::move(i)); });
    in.problems = result.problems;
    TempPst pst;
    pst.write(in.items);
    EXPECT_EQ(pst.strictCheck(), "");

    std::set<std::string> reported;
    for (const Problem& p : in.problems) {
        reported.insert(p.where);
    }
    std::map<std::string, bool> exactByUid;
    for (const CalendarItem& item : in.items) {
        const mapi::PropValue* goid = item.message.props.getNamed(named::kCleanGlobalObjectId);
        if (goid) {
            exactByUid[uidOf(goid->asBytes())] = !reported.contains(name + ": " + item.description);
        }
    }
    icaltimezone* floating = localZone.empty()
                                 ? icaltimezone_get_utc_timezone()
                                 : icaltimezone_get_builtin_timezone(localZone.c_str());
    const auto source = expandSource(text, floating);
    const auto stored = expandPst(pst);
    Outcome o;
    for (const auto& [uid, want] : source) {
        SCOPED_TRACE("series " + uid);
        const auto exact = exactByUid.find(uid);
        if (exact == exactByUid.end()) {
            ADD_FAILURE() << "no item holds the series";
            continue;
        }
        if (!exact->second) {
            ++o.reported;
            continue;
        }
        const auto got = stored.find(uid);
        if (got == stored.end()) {
            ADD_FAILURE() << "the series is not recurring in the PST";
            continue;
        }
        const std::int64_t last = want.empty() ? 0 : *want.rbegin();
        Starts inWindow;
        for (const std::int64_t m : got->second) {
            if (m <= last) {
                inWindow.insert(m);
            }
        }
        EXPECT_EQ(inWindow, want);
        ++o.exact;
    }
    return o;
}

TEST(OccurrencesMatchLibical, LibicalRecurrenceExamples) {
    for (const std::string zone : {"", "America/New_York"}) {
        const Outcome o = proveFile("libical/recur.txt", zone);
        EXPECT_GE(o.exact, 25u);
        EXPECT_GE(o.reported, 10u);
    }
}

TEST(OccurrencesMatchLibical, RfcExamplesAndErrors) {
    std::size_t exact = 0;
    for (const std::string name :
         {"libical/2445.ics", "libical/2446.ics", "libical/recur-errors.ics"}) {
        exact += proveFile(name, "").exact;
    }
    EXPECT_GE(exact, 1u);
}

TEST(OccurrencesMatchLibical, ZimbraExportWithZonesAndExceptions) {
    const Outcome o = proveFile("zimbra-calendar.ics", "Europe/Berlin");
    EXPECT_EQ(o.exact, 3u);     // the weekly series with its exceptions, monthly, yearly
    EXPECT_EQ(o.reported, 1u);  // the 31st of every month
}

}  // namespace
}  // namespace tolvane::calendar::test
