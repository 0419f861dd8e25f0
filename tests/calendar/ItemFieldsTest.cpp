// What an appointment or task keeps of its VEVENT or VTODO, Zimbra's forms (a loose .ics and a
// calendar-item MIME blob), and bad input reported with what was done.

#include <gtest/gtest.h>

#include "CalendarTestSupport.h"
#include "calendar/CivilTime.h"

namespace tolvane::calendar::test {
namespace {

namespace tag = mapi::tag;
namespace named = mapi::named;

bool hasProblem(const Imported& in, const std::string& part) {
    for (const Problem& p : in.problems) {
        if ((p.where + ": " + p.what).find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(ZimbraExport, AppointmentsKeepTheirFields) {
    const auto in = importFile("zimbra-calendar.ics", "Europe/Berlin");
    ASSERT_EQ(in.items.size(), 9u) << in.problemText();

    const mapi::Message& series = bySubject(in, "Team meeting");
    EXPECT_EQ(series.props.get(tag::kMessageClass)->asString(), "IPM.Appointment");
    EXPECT_EQ(minutesOf(series, named::kAppointmentStartWhole), utc(2024, 3, 5, 9, 0));  // CET
    EXPECT_EQ(series.props.getNamed(named::kAppointmentDuration)->asInt32(), 60);
    EXPECT_EQ(series.props.getNamed(named::kLocation)->asString(), "Room 4.12");
    EXPECT_EQ(series.props.getNamed(named::kBusyStatus)->asInt32(), 2);
    EXPECT_EQ(series.props.get(tag::kBody)->asString(), "Weekly status.\nBring the figures.");
    const auto& html = series.props.get(tag::kHtml)->asBytes();
    EXPECT_EQ(std::string(html.begin(), html.end()),
              "<html><body><p>Weekly <b>status</b>.</p></body></html>");
    EXPECT_EQ(series.props.getNamed(named::kKeywords)->asStrings(),
              (std::vector<std::string>{"Work", "Planning"}));
    EXPECT_EQ(series.props.get(tag::kImportance)->asInt32(), 2);
    EXPECT_TRUE(series.props.getNamed(named::kReminderSet)->asBool());
    EXPECT_EQ(series.props.getNamed(named::kReminderDelta)->asInt32(), 15);
    EXPECT_EQ(minutesOf(series, named::kReminderSignalTime), utc(2024, 3, 5, 8, 45));
    EXPECT_EQ(series.props.getNamed(named::kAppointmentStateFlags)->asInt32(), 0);
    EXPECT_EQ(series.props.get(tag::kSentRepresentingName)->asString(), "Anna Berg");
    ASSERT_EQ(series.recipients.size(), 4u);
    EXPECT_EQ(series.recipients[0].props.get(tag::kRecipientFlags)->asInt32(), 3);  // organizer
    EXPECT_EQ(series.recipients[1].props.get(tag::kRecipientType)->asInt32(), 1);
    EXPECT_EQ(series.recipients[1].props.get(tag::kRecipientTrackStatus)->asInt32(), 3);
    EXPECT_EQ(series.recipients[2].props.get(tag::kRecipientType)->asInt32(), 2);
    EXPECT_EQ(series.recipients[3].props.get(tag::kRecipientType)->asInt32(), 3);  // the room
    EXPECT_EQ(series.props.getNamed(named::kToAttendeesString)->asString(), "Bernd Ott");
    EXPECT_EQ(series.props.getNamed(named::kTimeZoneDescription)->asString(), "Europe/Berlin");
    EXPECT_EQ(
        series.props.getNamed(named::kRecurrencePattern)->asString(),
        "Occurs every week on Tuesday effective 2024-03-05 until 2024-06-18 from 10:00 to 11:00");
    ASSERT_EQ(series.attachments.size(),
              1u);  // the moved occurrence; the cancelled one is a deletion
    const mapi::Message& moved = *series.attachments[0].embedded;
    EXPECT_EQ(moved.props.get(tag::kSubject)->asString(), "Team meeting (moved)");
    EXPECT_EQ(minutesOf(moved, named::kAppointmentStartWhole), utc(2024, 3, 20, 13, 0));
    EXPECT_EQ(minutesOf(moved, named::kExceptionReplaceTime), utc(2024, 3, 19, 9, 0));

    const mapi::Message& holiday = bySubject(in, "Company holiday");
    EXPECT_TRUE(holiday.props.getNamed(named::kAppointmentSubType)->asBool());
    EXPECT_EQ(minutesOf(holiday, named::kAppointmentStartWhole),
              utc(2024, 4, 30, 22, 0));  // CEST midnight
    EXPECT_EQ(holiday.props.getNamed(named::kAppointmentDuration)->asInt32(), 1440);
    EXPECT_EQ(holiday.props.getNamed(named::kBusyStatus)->asInt32(), 3);

    const mapi::Message& fair = bySubject(in, "Trade fair in Hannover");
    EXPECT_EQ(fair.props.getNamed(named::kAppointmentDuration)->asInt32(), 4 * 1440 + 9 * 60);
    EXPECT_EQ(fair.props.getNamed(named::kLocation)->asString(), "Messegelände, Hannover");
    EXPECT_EQ(fair.props.getNamed(named::kBusyStatus)->asInt32(), 1);
    EXPECT_EQ(fair.props.get(tag::kSensitivity)->asInt32(), 2);
    EXPECT_FALSE(fair.props.getNamed(named::kRecurring)->asBool());

    const mapi::Message& call = bySubject(in, "Call with New York");
    EXPECT_EQ(minutesOf(call, named::kAppointmentStartWhole), utc(2024, 3, 12, 13, 30));  // EDT
    EXPECT_EQ(call.props.getNamed(named::kTimeZoneDescription)->asString(),
              "(GMT-05.00) Eastern Time (US & Canada)");
}

// "UTC" named as the local zone is the same as no local zone: all-day dates at UTC midnight.
TEST(ZimbraExport, UtcAsTheLocalZoneIsUtc) {
    for (const std::string zone : {"", "UTC"}) {
        SCOPED_TRACE("local zone '" + zone + "'");
        const auto in = importFile("zimbra-calendar.ics", zone);
        ASSERT_EQ(in.items.size(), 9u) << in.problemText();
        EXPECT_EQ(minutesOf(bySubject(in, "Company holiday"), named::kAppointmentStartWhole),
                  utc(2024, 5, 1, 0, 0));
    }
}

TEST(ZimbraExport, TasksKeepTheirFields) {
    const auto in = importFile("zimbra-calendar.ics", "Europe/Berlin");
    const mapi::Message& report = bySubject(in, "Send the quarterly report");
    EXPECT_EQ(report.props.get(tag::kMessageClass)->asString(), "IPM.Task");
    EXPECT_EQ(report.props.getNamed(named::kTaskStatus)->asInt32(), 1);
    EXPECT_DOUBLE_EQ(report.props.getNamed(named::kPercentComplete)->asDouble(), 0.4);
    EXPECT_EQ(minutesOf(report, named::kTaskStartDate), utc(2024, 4, 1, 0, 0));
    EXPECT_EQ(minutesOf(report, named::kTaskDueDate), utc(2024, 4, 10, 0, 0));
    EXPECT_EQ(minutesOf(report, named::kCommonEnd), utc(2024, 4, 10, 15, 0));
    EXPECT_EQ(report.props.get(tag::kImportance)->asInt32(), 0);
    EXPECT_EQ(minutesOf(report, named::kReminderSignalTime), utc(2024, 4, 10, 7, 0));
    EXPECT_EQ(report.props.get(tag::kBody)->asString(), "Figures from finance first.");

    const mapi::Message& passport = bySubject(in, "Renew the passport");
    EXPECT_EQ(passport.props.getNamed(named::kTaskStatus)->asInt32(), 2);
    EXPECT_TRUE(passport.props.getNamed(named::kTaskComplete)->asBool());
    EXPECT_DOUBLE_EQ(passport.props.getNamed(named::kPercentComplete)->asDouble(), 1.0);
    EXPECT_EQ(minutesOf(passport, named::kTaskDateCompleted), utc(2024, 1, 12, 14, 30));

    const mapi::Message& plants = bySubject(in, "Water the plants");
    EXPECT_TRUE(plants.props.getNamed(named::kTaskFRecurring)->asBool());
    EXPECT_EQ(plants.props.getNamed(named::kTaskRecurrence)->asBytes().size(),
              54u);  // weekly, no dates
}

TEST(ZimbraExport, ThePstPassesTheStrictCheck) {
    const auto in = importFile("zimbra-calendar.ics", "Europe/Berlin");
    TempPst pst;
    pst.write(in.items);
    EXPECT_EQ(pst.strictCheck(), "");
}

TEST(ZimbraBlob, InvitesOfOneItemMakeOneSeries) {
    const std::string blob = readData("zimbra-0000000312-Jour_fixe.appt");
    Imported in;
    CalendarImporter importer(ImportOptions{.localZone = "Europe/Berlin"});
    const auto result = importer.importMime(
        std::span(reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size()),
        "0000000312-Jour fixe.appt", [&](CalendarItem i) { in.items.push_back(std::move(i)); });
    in.problems = result.problems;
    ASSERT_EQ(in.items.size(), 1u) << in.problemText();
    EXPECT_TRUE(in.problems.empty()) << in.problemText();
    const mapi::Message& m = in.only();
    EXPECT_EQ(m.props.get(tag::kSubject)->asString(), "Jour fixe Größenplanung");
    EXPECT_EQ(m.props.getNamed(named::kLocation)->asString(), "Besprechungsraum Süd");
    EXPECT_EQ(minutesOf(m, named::kAppointmentStartWhole), utc(2023, 10, 2, 7, 30));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].embedded->props.get(tag::kSubject)->asString(),
              "Jour fixe Größenplanung (verschoben)");
    // The moved occurrence of 30 October falls after the change to winter time.
    EXPECT_EQ(minutesOf(*m.attachments[0].embedded, named::kExceptionReplaceTime),
              utc(2023, 10, 30, 8, 30));
    TempPst pst;
    pst.write(in.items);
    EXPECT_EQ(pst.strictCheck(), "");
}

TEST(BadInput, IsReportedWithWhatWasDone) {
    const auto in = importIcs(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
        "BEGIN:VEVENT\r\nUID:a\r\nSUMMARY:Unknown "
        "zone\r\nDTSTART;TZID=Mars/Olympus:20240101T100000\r\n"
        "DURATION:PT1H\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:b\r\nSUMMARY:No start\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:c\r\nSUMMARY:Broken "
        "end\r\nDTSTART:20240101T100000Z\r\nDTEND:2024XX01\r\n"
        "END:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nSUMMARY:Hourly\r\nDTSTART:20240101T100000Z\r\n"
        "RRULE:FREQ=HOURLY;COUNT=3\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:e\r\nSUMMARY:Twice a month\r\nDTSTART:20240102T100000Z\r\n"
        "RRULE:FREQ=MONTHLY;BYMONTHDAY=2,16;COUNT=4\r\nEND:VEVENT\r\n"
        "BEGIN:VJOURNAL\r\nUID:f\r\nSUMMARY:Diary\r\nEND:VJOURNAL\r\n"
        "BEGIN:VEVENT\r\nUID:g\r\nSUMMARY:Cut off\r\nDTSTART:20240101T100000Z\r\n");
    EXPECT_TRUE(hasProblem(in,
                           "VEVENT 'Unknown zone' at line 3: unknown time zone \"Mars/Olympus\" in "
                           "DTSTART; taken as UTC"))
        << in.problemText();
    EXPECT_TRUE(hasProblem(in, "'No start' at line 9: no DTSTART")) << in.problemText();
    EXPECT_TRUE(hasProblem(in, "'Broken end' at line 13: malformed iCalendar")) << in.problemText();
    EXPECT_TRUE(hasProblem(
        in, "'Hourly' at line 19: RRULE:FREQ=HOURLY;COUNT=3: Outlook cannot express FREQ=HOURLY"))
        << in.problemText();
    EXPECT_TRUE(hasProblem(
        in, "stored as FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=2 and the rule is kept in the notes"))
        << in.problemText();
    EXPECT_TRUE(hasProblem(in, "VJOURNAL at line 31: Outlook has no item for a VJOURNAL"))
        << in.problemText();
    EXPECT_TRUE(hasProblem(in, "VEVENT at line 35: the text ends before END:VEVENT"))
        << in.problemText();
    ASSERT_EQ(in.items.size(), 4u);
    const mapi::Message& hourly = bySubject(in, "Hourly");
    EXPECT_FALSE(hourly.props.getNamed(named::kRecurring)->asBool());
    EXPECT_EQ(hourly.props.get(tag::kBody)->asString(),
              "Recurrence as exported: RRULE:FREQ=HOURLY;COUNT=3");
    const mapi::Message& twice = bySubject(in, "Twice a month");
    EXPECT_TRUE(twice.props.getNamed(named::kRecurring)->asBool());
    EXPECT_EQ(twice.props.get(tag::kBody)->asString(),
              "Recurrence as exported: RRULE:FREQ=MONTHLY;COUNT=4;BYMONTHDAY=2,16");

    const auto empty = importIcs("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n");
    EXPECT_TRUE(hasProblem(empty, "no VEVENT or VTODO in it; nothing converted"));
    const auto notMime = CalendarImporter().importMime({}, "x.appt", [](CalendarItem) {});
    EXPECT_EQ(notMime.items, 0u);
    EXPECT_FALSE(notMime.problems.empty());
}

TEST(BadInput, BrokenFilesStillGiveAValidPst) {
    for (const std::string name :
         {"libical/issue252.ics", "libical/crash.ics", "libical/malloc.ics", "libical/zday.ics",
          "libical/stresstest.ics", "libical/smallcluster.ics"}) {
        SCOPED_TRACE(name);
        const auto in = importFile(name);
        EXPECT_FALSE(in.problems.empty());
        TempPst pst;
        pst.write(in.items);
        EXPECT_EQ(pst.strictCheck(), "");
    }
}

}  // namespace
}  // namespace tolvane::calendar::test
