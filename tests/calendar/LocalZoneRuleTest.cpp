// Floating times placed in a zone given only by its yearly rule, as Windows describes the
// user's own zone; on Windows also the rule Windows gives, against Windows' own conversion.
// Runs on Linux and under Wine.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CalendarImportSupport.h"
#include "calendar/LocalZoneRule.h"
#include "calendar/SystemZone.h"
#include "mapi/Tags.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tolvane::calendar::test {
namespace {

namespace named = mapi::named;

// One appointment at a floating wall-clock time, "20260310T140000".
std::string floatingAt(const std::string& wall) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:rule@example.org\r\n"
           "SUMMARY:Local\r\nDTSTART:" +
           wall + "\r\nDURATION:PT1H\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

std::int64_t startIn(const LocalZoneRule& rule, const std::string& wall) {
    const auto in = importIcs(floatingAt(wall), ImportOptions{rule.name, vtimezoneOf(rule)});
    EXPECT_TRUE(in.problems.empty()) << in.problemText();
    return minutesOf(in.only(), named::kAppointmentStartWhole);
}

TEST(LocalZoneRule, FloatingTimesFollowTheRulesChanges) {
    // Windows' "W. Europe Standard Time": the last Sunday of March at 2:00 and of October at 3:00.
    const LocalZoneRule berlin{"W. Europe Standard Time", -60, 0, -60, {10, 5, 0, 3, 0, 0},
                               {3, 5, 0, 2, 0, 0}};
    EXPECT_EQ(startIn(berlin, "20260310T140000"), utc(2026, 3, 10, 13, 0));
    EXPECT_EQ(startIn(berlin, "20260710T140000"), utc(2026, 7, 10, 12, 0));
    EXPECT_EQ(startIn(berlin, "20261024T140000"), utc(2026, 10, 24, 12, 0));  // the day before
    EXPECT_EQ(startIn(berlin, "20261026T140000"), utc(2026, 10, 26, 13, 0));

    // "Eastern Standard Time": the second Sunday of March, the first of November.
    const LocalZoneRule eastern{"Eastern Standard Time", 300, 0, -60, {11, 1, 0, 2, 0, 0},
                                {3, 2, 0, 2, 0, 0}};
    EXPECT_EQ(startIn(eastern, "20260307T090000"), utc(2026, 3, 7, 14, 0));
    EXPECT_EQ(startIn(eastern, "20260309T090000"), utc(2026, 3, 9, 13, 0));

    // "India Standard Time": no daylight saving, half an hour in the offset.
    const LocalZoneRule india{"India Standard Time", -330, 0, 0, {}, {}};
    EXPECT_EQ(startIn(india, "20260710T140000"), utc(2026, 7, 10, 8, 30));
}

TEST(LocalZoneRule, TheZoneIsNamedByItsOwnName) {
    const LocalZoneRule india{"India Standard Time", -330, 0, 0, {}, {}};
    const std::string text = vtimezoneOf(india);
    EXPECT_NE(text.find("TZID:India Standard Time\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("TZOFFSETTO:+0530\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("RRULE"), std::string::npos) << text;
}

#ifdef _WIN32
// The user's zone as this program reads it places a wall-clock time where Windows' own
// conversion puts it, in winter and in summer.
TEST(WindowsLocalZone, AgreesWithWindowsOwnConversion) {
    const LocalZone zone = windowsLocalZone();
    ASSERT_FALSE(zone.name.empty());
    ASSERT_FALSE(zone.definition.empty());
    for (const WORD month : {WORD{1}, WORD{7}}) {
        SYSTEMTIME universal{2026, month, 0, 15, 12, 0, 0, 0};
        SYSTEMTIME local{};
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local));
        char wall[32];
        std::snprintf(wall, sizeof wall, "%04u%02u%02uT%02u%02u00", local.wYear, local.wMonth,
                      local.wDay, local.wHour, local.wMinute);
        const auto in = importIcs(floatingAt(wall), ImportOptions{zone.name, zone.definition});
        ASSERT_TRUE(in.problems.empty()) << in.problemText();
        EXPECT_EQ(minutesOf(in.only(), named::kAppointmentStartWhole), utc(2026, month, 15, 12, 0))
            << zone.name << " at " << wall;
    }
}
#endif

}  // namespace
}  // namespace tolvane::calendar::test
