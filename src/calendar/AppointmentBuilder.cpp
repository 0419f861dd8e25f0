#include "calendar/AppointmentBuilder.h"

#include "calendar/Attendees.h"
#include "calendar/EventTimes.h"
#include "calendar/GlobalObjectId.h"
#include "calendar/Ical.h"
#include "calendar/ItemFields.h"
#include "calendar/PatternText.h"
#include "calendar/Series.h"
#include "calendar/ZoneBlobs.h"
#include "mapi/Tags.h"

namespace tolvane::calendar {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace named = mapi::named;

constexpr const char* kExceptionClass = "IPM.OLE.CLASS.{00061055-0000-0000-C000-000000000046}";
// PidTagIconIndex (MS-OXOMSG 2.2.1.10).
constexpr std::int32_t kIconAppointment = 0x400;
constexpr std::int32_t kIconRecurring = 0x401;
constexpr std::int32_t kAttachmentException = 0x2;  // afException
// A series without end is clipped at 31 August 4500, 23:59 on its own clock, as Outlook does.
const std::int64_t kNoEndClip = minutesSince1601({4500, 8, 31}, 23, 59);
// PidLidRecurrenceType (MS-OXOCAL 2.2.1.45).
std::int32_t recurrenceType(RecurFrequency f) {
    switch (f) {
        case RecurFrequency::Daily:
            return 1;
        case RecurFrequency::Weekly:
            return 2;
        case RecurFrequency::Monthly:
            return 3;
        case RecurFrequency::Yearly:
            return 4;
    }
    return 0;
}

std::string zoneName(const When& w) {
    return w.zone ? w.zoneName : "UTC";
}

class Builder {
  public:
    Builder(const ZoneSet& zones, ZoneRuleCache& rules, Report& report)
        : zones_(zones), rules_(rules), report_(report) {}

    // The fields an occurrence or a single appointment has of its own.
    void occurrenceFields(icalcomponent* ev, const EventTimes& t, mapi::Message& m) {
        setCommonFields(ev, m);
        m.props.set(tag::kMessageClass, PropValue::unicode("IPM.Appointment"));
        if (auto location = textOf(ev, ICAL_LOCATION_PROPERTY)) {
            m.props.setNamed(named::kLocation, PropValue::unicode(*location));
        }
        const std::int32_t busy = busyStatusOf(ev);
        m.props.setNamed(named::kBusyStatus, PropValue::int32(busy));
        m.props.setNamed(named::kIntendedBusyStatus, PropValue::int32(busy));
        if (icalproperty* seq = icalcomponent_get_first_property(ev, ICAL_SEQUENCE_PROPERTY)) {
            m.props.setNamed(named::kAppointmentSequence,
                             PropValue::int32(icalproperty_get_sequence(seq)));
        }
        setAttendees(ev, m);
        setTimes(ev, t, m);
    }

    // Start, end and what follows from them: duration, all-day, reminder, display zones.
    void setTimes(icalcomponent* ev, const EventTimes& t, mapi::Message& m) {
        const mapi::FileTime start = t.start.utc();
        const mapi::FileTime end = t.end.utc();
        m.props.set(tag::kStartDate, PropValue::time(start));
        m.props.set(tag::kEndDate, PropValue::time(end));
        m.props.setNamed(named::kAppointmentStartWhole, PropValue::time(start));
        m.props.setNamed(named::kAppointmentEndWhole, PropValue::time(end));
        m.props.setNamed(named::kCommonStart, PropValue::time(start));
        m.props.setNamed(named::kCommonEnd, PropValue::time(end));
        m.props.setNamed(named::kAppointmentDuration,
                         PropValue::int32(static_cast<std::int32_t>(t.durationMinutes())));
        m.props.setNamed(named::kAppointmentSubType, PropValue::boolean(t.allDay));
        // The user owns the item: a plain appointment, whoever organised it (nothing is sent).
        m.props.setNamed(named::kAppointmentStateFlags, PropValue::int32(0));
        m.props.setNamed(named::kResponseStatus, PropValue::int32(0));
        m.props.setNamed(named::kFInvited, PropValue::boolean(false));
        auto reminder = reminderOf(ev, t.start.utcSeconds(), t.end.utcSeconds(), report_);
        if (reminder && reminder->minutesBefore < 0) {
            report_.add("a reminder after the start is set at the start (Outlook reminds before)");
            reminder->minutesBefore = 0;
        }
        m.props.setNamed(named::kReminderSet, PropValue::boolean(reminder.has_value()));
        if (reminder) {
            m.props.setNamed(named::kReminderDelta, PropValue::int32(reminder->minutesBefore));
            m.props.setNamed(named::kReminderTime, PropValue::time(start));
            m.props.setNamed(
                named::kReminderSignalTime,
                PropValue::time(mapi::FileTime{start.ticks - std::int64_t{reminder->minutesBefore} *
                                                                 600'000'000}));
        }
        const Zone startZone =
            rules_.zone(t.start.zone, zoneName(t.start), t.start.year(), t.start.year());
        const Zone endZone = rules_.zone(t.end.zone, zoneName(t.end), t.end.year(), t.end.year());
        m.props.setNamed(named::kAppointmentTimeZoneDefinitionStartDisplay,
                         PropValue::binary(timeZoneDefinition(startZone, std::nullopt)));
        m.props.setNamed(named::kAppointmentTimeZoneDefinitionEndDisplay,
                         PropValue::binary(timeZoneDefinition(endZone, std::nullopt)));
    }

    std::optional<AppointmentResult> build(icalcomponent* ev,
                                           const std::vector<icalcomponent*>& overrides) {
        const auto times = eventTimes(ev, zones_, report_);
        if (!times) {
            return std::nullopt;
        }
        AppointmentResult out;
        mapi::Message& m = out.message;
        occurrenceFields(ev, *times, m);
        const std::string uid = textOf(ev, ICAL_UID_PROPERTY).value_or("");
        if (!uid.empty()) {
            const mapi::Bytes goid = globalObjectId(uid, std::nullopt);
            m.props.setNamed(named::kGlobalObjectId, PropValue::binary(goid));
            m.props.setNamed(named::kCleanGlobalObjectId, PropValue::binary(goid));
        }
        MasterFields fields;
        fields.subject = textOf(ev, ICAL_SUMMARY_PROPERTY).value_or("");
        fields.location = textOf(ev, ICAL_LOCATION_PROPERTY).value_or("");
        fields.description = textOf(ev, ICAL_DESCRIPTION_PROPERTY).value_or("");
        fields.busyStatus = busyStatusOf(ev);
        fields.allDay = times->allDay;
        if (const PropValue* d = m.props.getNamed(named::kReminderDelta)) {
            fields.reminderMinutes = d->asInt32();
        }
        std::vector<std::string> notes;
        auto series =
            buildSeries(ev, *times, fields, overrides, zones_, report_, out.strays, notes);
        for (const std::string& n : notes) {
            appendToNotes(m, n);
        }
        if (!series) {
            m.props.setNamed(named::kRecurring, PropValue::boolean(false));
            m.props.setNamed(named::kClipStart, PropValue::time(times->start.utc()));
            m.props.setNamed(named::kClipEnd, PropValue::time(times->end.utc()));
            m.props.set(tag::kIconIndex, PropValue::int32(kIconAppointment));
            return out;
        }
        EventTimes first = *times;
        const std::int64_t moved = series->firstStart - wallMinutes(times->start.wall);
        if (moved != 0) {
            // Outlook's series starts on its pattern's first day.
            const int days = static_cast<int>(moved / kMinutesPerDay);
            const int minutes = static_cast<int>(moved % kMinutesPerDay);
            icaltime_adjust(&first.start.wall, days, 0, first.start.date ? 0 : minutes, 0);
            icaltime_adjust(&first.end.wall, days, 0, first.end.date ? 0 : minutes, 0);
            setTimes(ev, first, m);
        }
        recurring(first, *series, uid, m);
        return out;
    }

  private:
    void recurring(const EventTimes& t, const Series& s, const std::string& uid, mapi::Message& m) {
        const int firstYear = t.start.year();
        const Zone zone = rules_.zone(t.start.zone, zoneName(t.start), firstYear,
                                      std::max(firstYear, s.lastYear));
        const RecurrencePattern& p = s.recurrence.pattern;
        m.props.setNamed(named::kRecurring, PropValue::boolean(true));
        m.props.setNamed(named::kRecurrenceType, PropValue::int32(recurrenceType(p.frequency)));
        m.props.setNamed(named::kRecurrencePattern,
                         PropValue::unicode(patternText(s.recurrence, t.allDay)));
        m.props.setNamed(named::kAppointmentRecur,
                         PropValue::binary(appointmentRecurrenceBlob(s.recurrence)));
        m.props.setNamed(named::kTimeZoneStruct,
                         PropValue::binary(timeZoneStruct(zone.ruleFor(firstYear))));
        m.props.setNamed(named::kTimeZoneDescription, PropValue::unicode(zone.name));
        m.props.setNamed(named::kAppointmentTimeZoneDefinitionRecur,
                         PropValue::binary(timeZoneDefinition(zone, firstYear)));
        // The clip range: midnight of the first and of the last occurrence's day, as UTC by the
        // series' own rules.
        m.props.setNamed(named::kClipStart,
                         PropValue::time(fileTimeOfMinutes(zone.utcOfWall(p.startDate))));
        m.props.setNamed(named::kClipEnd,
                         PropValue::time(p.end == EndType::Never
                                             ? fileTimeOfMinutes(zone.utcOfWall(kNoEndClip))
                                             : fileTimeOfMinutes(zone.utcOfWall(p.endDate))));
        m.props.set(tag::kIconIndex, PropValue::int32(kIconRecurring));
        for (const ChangedOccurrence& c : s.changed) {
            m.attachments.push_back(
                exceptionAttachment(c, s.recurrence.exceptions[c.exception], uid));
        }
    }

    // An Exception Attachment object holding its Exception Embedded Message (MS-OXOCAL 2.2.10).
    mapi::Attachment exceptionAttachment(const ChangedOccurrence& c, const ExceptionInfo& e,
                                         const std::string& uid) {
        auto inner = std::make_unique<mapi::Message>();
        occurrenceFields(c.override, c.times, *inner);
        inner->props.set(tag::kMessageClass, PropValue::unicode(kExceptionClass));
        const mapi::FileTime replaced = c.originalStart.utc();
        inner->props.setNamed(named::kExceptionReplaceTime, PropValue::time(replaced));
        inner->props.setNamed(named::kFExceptionalBody,
                              PropValue::boolean((e.overrides & kOverrideExceptionalBody) != 0));
        inner->props.setNamed(named::kRecurring, PropValue::boolean(false));
        if (!uid.empty()) {
            const CivilDate day{c.originalStart.wall.year, c.originalStart.wall.month,
                                c.originalStart.wall.day};
            inner->props.setNamed(named::kGlobalObjectId,
                                  PropValue::binary(globalObjectId(uid, day)));
            inner->props.setNamed(named::kCleanGlobalObjectId,
                                  PropValue::binary(globalObjectId(uid, std::nullopt)));
        }
        mapi::Attachment a;
        a.props.set(tag::kAttachmentHidden, PropValue::boolean(true));
        a.props.set(tag::kAttachmentFlags, PropValue::int32(kAttachmentException));
        a.props.set(tag::kAttachEncoding, PropValue::binary({}));
        a.props.set(tag::kDisplayName,
                    PropValue::unicode(inner->props.get(tag::kSubject)->asString()));
        // Start and end as the series' wall clock, the replaced occurrence in UTC.
        a.props.set(tag::kExceptionStartTime, PropValue::time(fileTimeOfMinutes(e.start)));
        a.props.set(tag::kExceptionEndTime, PropValue::time(fileTimeOfMinutes(e.end)));
        a.props.set(tag::kExceptionReplaceTime, PropValue::time(replaced));
        a.embedded = std::move(inner);
        return a;
    }

    const ZoneSet& zones_;
    ZoneRuleCache& rules_;
    Report& report_;
};

}  // namespace

std::optional<AppointmentResult> buildAppointment(icalcomponent* event,
                                                  const std::vector<icalcomponent*>& overrides,
                                                  const ZoneSet& zones, ZoneRuleCache& rules,
                                                  Report& report) {
    return Builder(zones, rules, report).build(event, overrides);
}

}  // namespace tolvane::calendar
