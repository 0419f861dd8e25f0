// The recurrence blobs against the examples MS-OXOCAL gives byte for byte (4.1.1), and the
// pattern kinds each RRULE becomes.

#include <gtest/gtest.h>

#include "CalendarTestSupport.h"
#include "calendar/RecurrencePattern.h"
#include "pstcheck/messaging/RecurrenceBlob.h"

namespace tolvane::calendar::test {
namespace {

namespace named = mapi::named;

std::string event(const std::string& lines) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x@example.org\r\n"
           "SUMMARY:Simple Recurrence\r\n" +
           lines + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

std::string recurBlob(const mapi::Message& m) {
    const mapi::PropValue* v = m.props.getNamed(named::kAppointmentRecur);
    return v ? hex(v->asBytes()) : "";
}

// MS-OXOCAL 4.1.1.3: every three days from 4/7/2011 until 5/4/2011, 8:00-8:30, the
// occurrences of 4/19 and 4/22 deleted.
TEST(RecurrenceBlobsAsDocumented, DailyWithDeletedOccurrences) {
    const auto in =
        importIcs(event("DTSTART:20110407T080000Z\r\nDTEND:20110407T083000Z\r\n"
                        "RRULE:FREQ=DAILY;INTERVAL=3;UNTIL=20110504T080000Z;WKST=SU\r\n"
                        "EXDATE:20110419T080000Z,20110422T080000Z\r\n"));
    ASSERT_EQ(in.items.size(), 1u) << in.problemText();
    EXPECT_EQ(
        recurBlob(in.only()),
        "043004300A2000000000A0050000E010000000000000212000000A0000000000000002000000A0C1DC0C"
        "80D2DC0C00000000207EDC0C0016DD0C0630000009300000E0010000FE01000000000000000000000000");
    EXPECT_TRUE(in.problems.empty()) << in.problemText();
}

// MS-OXOCAL 4.1.1.2: every Monday, Thursday and Friday, 10:00-10:30, 12 occurrences; the one
// of Monday 4/16/2007 moved to 11:00 with another subject and location.
TEST(RecurrenceBlobsAsDocumented, WeeklyWithChangedOccurrence) {
    const std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
        "BEGIN:VEVENT\r\nUID:w@example.org\r\nSUMMARY:Simple Recurrence\r\nLOCATION:34/4639\r\n"
        "DTSTART:20070326T100000Z\r\nDTEND:20070326T103000Z\r\n"
        "RRULE:FREQ=WEEKLY;COUNT=12;BYDAY=MO,TH,FR;WKST=SU\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:w@example.org\r\nRECURRENCE-ID:20070416T100000Z\r\n"
        "SUMMARY:Simple Recurrence with exceptions\r\nLOCATION:34/4141\r\n"
        "DTSTART:20070416T110000Z\r\nDTEND:20070416T113000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const auto in = importIcs(text);
    ASSERT_EQ(in.items.size(), 1u) << in.problemText();
    EXPECT_EQ(recurBlob(in.only()),
              "043004300B2001000000C0210000010000000000000032000000222000000C00000000000000010000"
              "00A096BC0C01000000A096BC0C8020BC0C20ADBC0C0630000009300000580200007602000001003499"
              "BC0C5299BC0CF898BC0C11002200210053696D706C6520526563757272656E63652077697468206578"
              "63657074696F6E730800070033342F34313431000000000400000000000000000000003499BC0C5299"
              "BC0CF898BC0C2100530069006D0070006C006500200052006500630075007200720065006E00630065"
              "0020007700690074006800200065007800630065007000740069006F006E0073000700330034002F00"
              "34003100340031000000000000000000");
    ASSERT_EQ(in.only().attachments.size(), 1u);
    const mapi::Attachment& a = in.only().attachments.front();
    ASSERT_TRUE(a.embedded);
    EXPECT_EQ(a.embedded->props.get(mapi::tag::kSubject)->asString(),
              "Simple Recurrence with exceptions");
    EXPECT_EQ(a.props.get(mapi::tag::kAttachmentFlags)->asInt32(), 2);
    EXPECT_TRUE(in.problems.empty()) << in.problemText();
}

struct PatternCase {
    std::string rule;
    std::string start;  // DTSTART, UTC
    std::uint16_t frequency;
    std::uint16_t type;
    std::uint32_t period;
    std::uint32_t days;  // mask or day of month
    std::uint32_t nth;
};

// Each RRULE becomes the pattern MS-OXCICAL maps it to, read back by the checker's own reader.
TEST(RecurrenceBlobsAsDocumented, RuleKindsBecomeTheirPatterns) {
    const std::vector<PatternCase> cases = {
        {"FREQ=DAILY;COUNT=5", "20240102T090000Z", 0x200A, 0, 1440, 0, 0},
        {"FREQ=DAILY;INTERVAL=2;COUNT=5", "20240102T090000Z", 0x200A, 0, 2880, 0, 0},
        {"FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR;COUNT=5", "20240102T090000Z", 0x200B, 1, 1, 0x3E, 0},
        {"FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,FR;COUNT=5", "20240102T090000Z", 0x200B, 1, 2, 0x24, 0},
        {"FREQ=WEEKLY;COUNT=5", "20240103T090000Z", 0x200B, 1, 1, 0x08, 0},
        {"FREQ=MONTHLY;BYMONTHDAY=15;COUNT=5", "20240115T090000Z", 0x200C, 2, 1, 15, 0},
        {"FREQ=MONTHLY;COUNT=5", "20240110T090000Z", 0x200C, 2, 1, 10, 0},
        {"FREQ=MONTHLY;BYDAY=2TU;COUNT=5", "20240109T090000Z", 0x200C, 3, 1, 0x04, 2},
        {"FREQ=MONTHLY;BYDAY=-1FR;COUNT=5", "20240126T090000Z", 0x200C, 3, 1, 0x20, 5},
        {"FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1;COUNT=5", "20240131T090000Z", 0x200C, 3, 1,
         0x3E, 5},
        {"FREQ=MONTHLY;BYMONTHDAY=-1;COUNT=5", "20240131T090000Z", 0x200C, 2, 1, 31, 0},
        {"FREQ=YEARLY;COUNT=3", "20240314T090000Z", 0x200D, 2, 12, 14, 0},
        {"FREQ=YEARLY;BYMONTH=11;BYDAY=4TH;COUNT=3", "20241128T090000Z", 0x200D, 3, 12, 0x10, 4},
    };
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(c.rule);
        const auto in = importIcs(
            event("DTSTART:" + c.start + "\r\nDURATION:PT1H\r\nRRULE:" + c.rule + "\r\n"));
        ASSERT_EQ(in.items.size(), 1u);
        EXPECT_TRUE(in.problems.empty()) << in.problemText();
        const auto blob = unhex(recurBlob(in.only()));
        const auto r = pstcheck::parseAppointmentRecurrence(pstcheck::Bytes(blob));
        EXPECT_EQ(r.pattern.frequency, c.frequency);
        EXPECT_EQ(r.pattern.patternType, c.type);
        EXPECT_EQ(r.pattern.period, c.period);
        EXPECT_EQ(r.pattern.days, c.days);
        EXPECT_EQ(r.pattern.nth, c.nth);
        EXPECT_EQ(r.pattern.endType, 0x2022u);
        EXPECT_EQ(r.startOffset, 540u);
        EXPECT_EQ(r.endOffset, 600u);
    }
}

}  // namespace
}  // namespace tolvane::calendar::test
