// Times in zones a TZID names without a VTIMEZONE in the file: libical's own zones, which the
// Windows build finds in the zoneinfo folder beside the program. Runs on Linux and under Wine.

#include <gtest/gtest.h>

#include <string>

#include "CalendarImportSupport.h"
#include "mapi/Tags.h"

namespace tolvane::calendar::test {
namespace {

namespace tag = mapi::tag;
namespace named = mapi::named;

std::string hexOf(const mapi::NamedTag& t, const mapi::Message& m) {
    return hex(m.props.getNamed(t)->asBytes());
}

TEST(NamedZones, TimesAreUtcByTheZonesRules) {
    const auto in = importFile("named-zones.ics");
    ASSERT_EQ(in.items.size(), 4u) << in.problemText();

    // A weekly series that starts in EST and crosses into EDT on 10 March.
    const mapi::Message& standUp = bySubject(in, "Stand-up in New York");
    EXPECT_EQ(minutesOf(standUp, named::kAppointmentStartWhole), utc(2024, 3, 5, 14, 30));
    EXPECT_EQ(minutesOf(standUp, named::kAppointmentEndWhole), utc(2024, 3, 5, 14, 45));
    EXPECT_EQ(minutesOf(standUp, named::kClipStart), utc(2024, 3, 5, 5, 0));  // EST midnight
    EXPECT_EQ(minutesOf(standUp, named::kClipEnd), utc(2024, 3, 26, 4, 0));   // EDT midnight

    EXPECT_EQ(minutesOf(bySubject(in, "Summer call from New York"), named::kAppointmentStartWhole),
              utc(2024, 7, 12, 13, 0));
    const mapi::Message& review = bySubject(in, "Review in Berlin");
    EXPECT_EQ(minutesOf(review, named::kAppointmentStartWhole), utc(2024, 7, 5, 8, 0));  // CEST
    EXPECT_EQ(minutesOf(review, named::kAppointmentEndWhole), utc(2024, 7, 5, 9, 30));
}

TEST(NamedZones, BlobsCarryTheZonesRules) {
    const auto in = importFile("named-zones.ics");
    const mapi::Message& standUp = bySubject(in, "Stand-up in New York");
    EXPECT_EQ(standUp.props.getNamed(named::kTimeZoneDescription)->asString(), "America/New_York");
    // TZSTRUCT: bias 300, daylight bias -60; standard time from the first Sunday of November at
    // 2:00, daylight time from the second Sunday of March at 2:00.
    EXPECT_EQ(hexOf(named::kTimeZoneStruct, standUp),
              "2C01000000000000C4FFFFFF"
              "0000"
              "00000B00000001000200000000000000"
              "0000"
              "00000300000002000200000000000000");

    // TZDEFINITION with the one rule of 2024: CET, CEST from the last Sunday of March at 2:00
    // to the last Sunday of October at 3:00.
    const mapi::Message& review = bySubject(in, "Review in Berlin");
    const std::string berlin =
        "0201"
        "2000"
        "0200"
        "0D00"
        "4500750072006F00700065002F004200650072006C0069006E00"  // "Europe/Berlin"
        "0100"
        "0201"
        "3E00"
        "0200"
        "E807"
        "0000000000000000000000000000"
        "C4FFFFFF"
        "00000000"
        "C4FFFFFF"
        "00000A00000005000300000000000000"
        "00000300000005000200000000000000";
    EXPECT_EQ(hexOf(named::kAppointmentTimeZoneDefinitionStartDisplay, review), berlin);
    EXPECT_EQ(hexOf(named::kAppointmentTimeZoneDefinitionEndDisplay, review), berlin);
}

TEST(NamedZones, AnUnknownZoneIsReportedAndTakenAsUtc) {
    const auto in = importFile("named-zones.ics");
    const mapi::Message& mars = bySubject(in, "Meeting on Mars");
    EXPECT_EQ(minutesOf(mars, named::kAppointmentStartWhole), utc(2024, 7, 5, 10, 0));
    ASSERT_EQ(in.problems.size(), 2u) << in.problemText();  // its start and its end
    for (const Problem& p : in.problems) {
        EXPECT_NE((p.where + ": " + p.what).find("Mars/Olympus_Mons"), std::string::npos)
            << in.problemText();
    }
}

}  // namespace
}  // namespace tolvane::calendar::test
